#include "pelt/value/error_code.h"

#include "pelt/value/named.h"

namespace pelt::value {

std::u16string_view ErrorDescription(ErrorCode code) {
  static constexpr Named<ErrorCode> kNames[] = {
#define PELT_ERROR_CODE(id, number, description) {ErrorCode::id, description},
#include "pelt/value/error_codes.def"
#undef PELT_ERROR_CODE
  };
  return NameIn(kNames, code, std::u16string_view(u"Application-defined or object-defined error"));
}

}  // namespace pelt::value
