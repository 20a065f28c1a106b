#pragma once

#include <optional>
#include <string_view>

#include "pelt/value/locale.h"

namespace pelt::format::internal {

// The serial of text that reads as a date, a time or both in the locale:
// "9 March 2024", "3/9/2024 4:05:06 PM", "2013-05-14", "7 pm". nullopt for
// any other text. A day and month without a year fall in current_year.
// Pure: safe from any thread.
std::optional<double> ReadTextDate(std::u16string_view text, const value::LocaleData& locale,
                                   int current_year);

// True when text is numeric only by the lenient reading of group separators
// that are also the locale's date separator ("03.04.2024" in German): date
// pictures read such text as a date before they read it as a number.
bool GroupsLikeADate(std::u16string_view text, const value::LocaleData& locale);

// The year of today's date on the local clock.
int CurrentYear();

}  // namespace pelt::format::internal
