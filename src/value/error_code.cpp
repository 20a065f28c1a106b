#include "pelt/value/error_code.h"

namespace pelt::value {

std::u16string_view ErrorDescription(ErrorCode code) {
  switch (code) {
    case ErrorCode::kNone: return u"";
    case ErrorCode::kInvalidProcedureCall: return u"Invalid procedure call or argument";
    case ErrorCode::kOverflow: return u"Overflow";
    case ErrorCode::kOutOfMemory: return u"Out of memory";
    case ErrorCode::kSubscriptOutOfRange: return u"Subscript out of range";
    case ErrorCode::kTypeMismatch: return u"Type mismatch";
    case ErrorCode::kInternalError: return u"Internal error";
    case ErrorCode::kInvalidUseOfNull: return u"Invalid use of Null";
    case ErrorCode::kObjectRequired: return u"Object required";
    case ErrorCode::kKeyAlreadyAssociated:
      return u"This key is already associated with an element of this collection";
  }
  return u"Application-defined or object-defined error";
}

}  // namespace pelt::value
