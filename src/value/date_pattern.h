#pragma once

// Shared by pelt::value and pelt::format (as "value/date_pattern.h"), and installed
// with neither.

#include <string>
#include <string_view>

#include "pelt/value/date_serial.h"
#include "pelt/value/locale.h"

namespace pelt::value::internal {

// Appends a date rendered by an ICU date pattern (the letters y, M, L, d, E,
// c, H, h, K, k, m, s, a and quoted literals; other letters are skipped).
// Month and day names come from the locale data, so no ICU formatter is
// created per value.
void AppendDatePattern(std::u16string_view pattern, const DateParts& parts,
                       const LocaleData& locale, std::u16string& out);

// The general date form: the short date, followed by the medium time unless
// it is midnight; a time without a date shows the time alone.
void AppendGeneralDate(Date date, const DateParts& parts, const LocaleData& locale,
                       std::u16string& out);

}  // namespace pelt::value::internal
