#include "pelt/value/error_code.h"

namespace pelt::value {

std::u16string_view ErrorDescription(ErrorCode code) {
  switch (code) {
#define PELT_ERROR_CODE(id, number, description) \
  case ErrorCode::id:                            \
    return description;
#include "pelt/value/error_codes.def"
#undef PELT_ERROR_CODE
  }
  return u"Application-defined or object-defined error";
}

}  // namespace pelt::value
