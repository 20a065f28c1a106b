#include "pelt/host/host_table.h"

namespace pelt::host {

std::u16string_view FieldTypeName(FieldType type) {
  switch (type) {
#define PELT_FIELD_TYPE(id, code, name) \
  case FieldType::id:                   \
    return name;
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  }
  return u"Unknown";
}

}  // namespace pelt::host
