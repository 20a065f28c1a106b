#pragma once

#include <cstdint>
#include <string>

#include "pelt/value/locale.h"
#include "pelt/value/variant.h"
#include "picture.h"

namespace pelt::format::internal {

// What formatting a value gave: text, appended to out; null, with nothing
// appended; or a value outside the calendar met by a date picture.
enum class Outcome : std::uint8_t { kText, kNull, kOverflow };

Outcome AppendFormatted(const value::Variant& value, const CompiledPicture& picture,
                        const value::LocaleData& locale, std::u16string& out);

}  // namespace pelt::format::internal
