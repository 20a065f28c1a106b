#pragma once

#include <cstdint>
#include <string_view>

namespace pelt::value {

// Run-time error numbers, listed in error_codes.def.
// [[nodiscard]]: a function that reports failure as an ErrorCode must have
// its result looked at, or discarded on purpose.
enum class [[nodiscard]] ErrorCode : std::int32_t {
#define PELT_ERROR_CODE(id, number, description) id = number,
#include "pelt/value/error_codes.def"
#undef PELT_ERROR_CODE
};

// The standard description of an error number ("Overflow", "Type mismatch" …).
std::u16string_view ErrorDescription(ErrorCode code);

}  // namespace pelt::value
