#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pelt::value {

// Everything the value layer needs to know about one locale, read once from
// ICU and then shared read-only. Nothing here comes from the process-wide C
// or C++ locale.
struct LocaleData {
  std::string name;  // canonical ICU id, such as "de_DE"

  // Numbers.
  std::u16string decimal_separator;
  std::u16string group_separator;
  std::u16string minus_sign;
  std::u16string plus_sign;
  int grouping_size = 3;            // primary grouping, 0 when the locale does not group
  int secondary_grouping_size = 3;  // further groups (2 in Indian English)

  // Currency: the locale's currency and its digits, and ICU's currency
  // pattern (symbol included) split into what comes before and after the
  // digits.
  std::u16string currency_code;    // ISO 4217, such as u"EUR"; u"XXX" for none
  std::u16string currency_symbol;  // what amounts show: u"€"; for XXX ICU's stand-in
  int currency_digits = 2;
  std::u16string currency_positive_prefix, currency_positive_suffix;
  std::u16string currency_negative_prefix, currency_negative_suffix;

  // Dates: format-context names, Sunday first and January first.
  std::array<std::u16string, 12> month_names;
  std::array<std::u16string, 12> month_abbreviations;
  std::array<std::u16string, 7> day_names;
  std::array<std::u16string, 7> day_abbreviations;
  std::u16string am_designator, pm_designator;
  std::u16string date_separator;  // the one the short date uses
  std::u16string time_separator;  // the one the medium time uses

  // ICU date and time patterns ("M/d/yy", "EEEE, MMMM d, y", "h:mm:ss a").
  // short_date_pattern has its year widened to four digits.
  std::u16string short_date_pattern;
  std::u16string full_date_pattern;
  std::u16string medium_date_pattern;
  std::u16string medium_time_pattern;
};

// The data of an ICU locale id ("de_DE", "de-DE", "de_DE.UTF-8@euro" are all
// accepted). Built on first use and kept for the life of the process, so the
// reference stays valid; safe to call from several threads. An id ICU does
// not know falls back the way ICU falls back (to the language, then to root).
const LocaleData& LocaleDataFor(std::string_view locale_id);

// The canonical ICU id for a POSIX or BCP 47 locale name: "de_DE.UTF-8" and
// "de-DE" give "de_DE"; "C", "POSIX" and "" give "en_US".
std::string CanonicalLocaleId(std::string_view locale_id);

// True when ICU has data for locale_id: its language, and the script and
// the region it names ("de", "de_DE" and "zh_CN" are known; "en_UK" and
// "xx_YY" are not).
bool IsKnownLocale(std::string_view locale_id);

// For a locale_id ICU has no data for, the nearest ones it has, as canonical
// ids, nearest first and at most three, for a did-you-mean suggestion:
// "en_UK" gives en_GB, "de_AU" de_DE, de_AT and de_LU, "fx_FR" fr_FR. Empty
// when none is clearly nearest ("xx_YY") or ICU knows locale_id.
std::vector<std::string> NearestKnownLocales(std::string_view locale_id);

// A locale that names no region has no currency of its own: ICU gives it
// the code XXX, and amounts show a stand-in symbol (XXX in de, the generic
// sign in fr).
bool HasOwnCurrency(const LocaleData& locale);

// The locale_id with the usual region of its language when it names none:
// "de" gives "de_DE"; an id with a region comes back canonical.
std::string LocaleWithRegion(std::string_view locale_id);

// The ICU id of the user's locale from the environment: LC_ALL, then
// LC_NUMERIC, then LANG, the first that is set and not empty. "C", "POSIX"
// and an unset environment mean en_US.
std::string LocaleIdFromEnvironment();

// The locale that the text form of values, numeric text and the formatting
// functions follow: the caller's override when one is set, otherwise the
// environment's (read once). Thread-safe; the override applies process-wide.
const LocaleData& UserLocale();
void SetUserLocaleOverride(std::string_view locale_id);
void ClearUserLocaleOverride();

}  // namespace pelt::value
