#pragma once

#include <string>
#include <string_view>

#include "command.h"
#include "pelt/value/locale.h"

namespace pelt::tools {

// What is wrong with the locale --locale names, for ReportUsage: "" when ICU
// has data for it, otherwise "unknown locale 'ID'" and the nearest ones ICU
// has ("; did you mean 'en_GB'?").
std::string LocaleProblem(std::string_view locale_id);

// Warns when what (the expression, a function) shows amounts in the
// currency of a locale that has none, naming the symbol shown instead.
void WarnOfMissingCurrency(Streams& io, const value::LocaleData& locale, std::string_view what);

}  // namespace pelt::tools
