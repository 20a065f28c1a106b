#include "pelt/value/variant.h"

namespace pelt::value {

std::u16string_view TypeName(VarType type) {
  switch (type) {
#define PELT_VAR_TYPE(id, name) \
  case VarType::id:             \
    return name;
#include "pelt/value/var_types.def"
#undef PELT_VAR_TYPE
  }
  return u"Unknown";
}

}  // namespace pelt::value
