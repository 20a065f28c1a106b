#pragma once

#include <string>

#include "pelt/value/locale.h"
#include "picture.h"
#include "rounding.h"

namespace pelt::format::internal {

// Appends d as a number section shows it: scaled by the section's percent
// signs and scaling separators, in scientific form when the section has an
// exponent, rounded half away from zero to its decimals, its sign left out
// except for a leading minus when `minus` is set and the shown number is
// not zero.
void AppendNumberSection(const CompiledPicture& picture, const Section& section, Decimal d,
                         bool minus, const value::LocaleData& locale, std::u16string& out);

}  // namespace pelt::format::internal
