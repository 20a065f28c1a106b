#pragma once

#include <cstdint>
#include <string>

#include "pelt/value/locale.h"
#include "pelt/value/variant.h"
#include "picture.h"

namespace pelt::value::internal {

// What formatting a value gave: text, appended to out; null, with nothing
// appended; or a value outside the calendar met by a date picture.
enum class Outcome : std::uint8_t { kText, kNull, kOverflow };

Outcome AppendFormatted(const Variant& value, const CompiledPicture& picture,
                        const LocaleData& locale, std::u16string& out);

}  // namespace pelt::value::internal
