#include "pelt/host/host_table.h"

#include "pelt/value/named.h"

namespace pelt::host {

std::u16string_view FieldTypeName(FieldType type) {
  static constexpr value::Named<FieldType> kNames[] = {
#define PELT_FIELD_TYPE(id, code, name, use) {FieldType::id, name},
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  };
  return value::NameIn(kNames, type, std::u16string_view(u"Unknown"));
}

}  // namespace pelt::host
