#include "pelt/value/variant.h"

#include "pelt/value/named.h"

namespace pelt::value {

std::u16string_view TypeName(VarType type) {
  static constexpr Named<VarType> kNames[] = {
#define PELT_VAR_TYPE(id, name) {VarType::id, name},
#include "pelt/value/var_types.def"
#undef PELT_VAR_TYPE
  };
  return NameIn(kNames, type, std::u16string_view(u"Unknown"));
}

}  // namespace pelt::value
