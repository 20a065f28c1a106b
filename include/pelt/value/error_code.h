#pragma once

#include <cstdint>
#include <string_view>

namespace pelt::value {

// Run-time error numbers that the value layer and the layers above report.
// The numbers are the ones label-expression users have always seen in the
// "Error Number" block of the error report, so they are part of the product.
enum class ErrorCode : std::int32_t {
  kNone = 0,
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kTypeMismatch = 13,
  kInternalError = 51,
  kInvalidUseOfNull = 94,
  kObjectRequired = 424,
  kKeyAlreadyAssociated = 457,
};

// The standard description of an error number ("Overflow", "Type mismatch" …).
std::u16string_view ErrorDescription(ErrorCode code);

}  // namespace pelt::value
