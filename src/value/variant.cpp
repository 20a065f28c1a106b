#include "pelt/value/variant.h"

namespace pelt::value {

std::u16string_view TypeName(VarType type) {
  switch (type) {
    case VarType::kEmpty: return u"Empty";
    case VarType::kNull: return u"Null";
    case VarType::kBoolean: return u"Boolean";
    case VarType::kInteger: return u"Integer";
    case VarType::kLong: return u"Long";
    case VarType::kDouble: return u"Double";
    case VarType::kCurrency: return u"Currency";
    case VarType::kDate: return u"Date";
    case VarType::kString: return u"String";
  }
  return u"Unknown";
}

}  // namespace pelt::value
