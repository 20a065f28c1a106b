#pragma once

#include <string>

#include "pelt/value/locale.h"
#include "picture.h"

namespace pelt::format::internal {

// Appends the serial date as a date section shows it. False (with
// something possibly appended) when the serial lies outside the calendar.
bool AppendDateSection(const CompiledPicture& picture, const Section& section, double serial,
                       const value::LocaleData& locale, std::u16string& out);

}  // namespace pelt::format::internal
