#include "icu_locale_data.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/decimfmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/ucurr.h>
#include <unicode/unistr.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace pelt::value::internal {
namespace {

std::u16string ToU16(const icu::UnicodeString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.getBuffer()),
                        static_cast<std::size_t>(s.length()));
}

void Check(UErrorCode status, const char* what) {
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("ICU failed to read ") + what + ": " +
                             u_errorName(status));
  }
}

// Labels are set in fonts that often lack the narrow and the ordinary no-break
// space that ICU puts before the day-half designator; an ordinary blank reads
// the same.
std::u16string PlainBlanks(std::u16string text) {
  for (char16_t& c : text) {
    if (c == u'\u202F' || c == u'\u00A0') c = u' ';
  }
  return text;
}

// A run of exactly two 'y' outside quotes becomes "yyyy": the short date shows
// four-digit years.
std::u16string WidenYear(const std::u16string& pattern) {
  std::u16string out;
  bool quoted = false;
  for (std::size_t i = 0; i < pattern.size();) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      quoted = !quoted;
      out.push_back(c);
      ++i;
      continue;
    }
    if (!quoted && c == u'y') {
      std::size_t run = 0;
      while (i + run < pattern.size() && pattern[i + run] == u'y') ++run;
      out.append(run == 2 ? 4 : run, u'y');
      i += run;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

// The first literal character between two fields of a pattern, outside quotes.
std::u16string FirstSeparator(const std::u16string& pattern, std::u16string_view fallback) {
  bool seen_field = false;
  bool quoted = false;
  for (char16_t c : pattern) {
    if (c == u'\'') {
      quoted = !quoted;
      continue;
    }
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (!quoted && letter) {
      seen_field = true;
    } else if (seen_field && c != u' ' && c != u',') {
      return std::u16string(1, c);
    }
  }
  return std::u16string(fallback);
}

std::u16string DatePattern(icu::DateFormat::EStyle date_style, icu::DateFormat::EStyle time_style,
                           const icu::Locale& locale) {
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createDateTimeInstance(date_style, time_style, locale));
  auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get());
  if (simple == nullptr) throw std::runtime_error("ICU gave no date pattern");
  icu::UnicodeString pattern;
  simple->toPattern(pattern);
  return ToU16(pattern);
}

void LoadNumbers(const icu::Locale& locale, LocaleData& data) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(locale, status);
  Check(status, "number symbols");
  data.decimal_separator =
      ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
  data.group_separator =
      ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol));
  data.minus_sign = ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kMinusSignSymbol));
  data.plus_sign = ToU16(symbols.getSymbol(icu::DecimalFormatSymbols::kPlusSignSymbol));

  std::unique_ptr<icu::NumberFormat> number(icu::NumberFormat::createInstance(locale, status));
  Check(status, "number format");
  if (auto* decimal = dynamic_cast<icu::DecimalFormat*>(number.get())) {
    data.grouping_size = decimal->isGroupingUsed() ? decimal->getGroupingSize() : 0;
    const int32_t secondary = decimal->getSecondaryGroupingSize();
    data.secondary_grouping_size = secondary > 0 ? secondary : data.grouping_size;
  }

  std::unique_ptr<icu::NumberFormat> currency(
      icu::NumberFormat::createCurrencyInstance(locale, status));
  Check(status, "currency format");
  data.currency_code = currency->getCurrency();
  const int32_t digits = ucurr_getDefaultFractionDigits(
      reinterpret_cast<const UChar*>(data.currency_code.c_str()), &status);
  Check(status, "currency digits");
  data.currency_digits = digits;
  // The symbol ICU's formatter shows; for "no currency" it differs by
  // language (XXX in de, the generic sign in fr).
  UBool is_choice = false;
  int32_t length = 0;
  const UChar* symbol =
      ucurr_getName(reinterpret_cast<const UChar*>(data.currency_code.c_str()), locale.getName(),
                    UCURR_SYMBOL_NAME, &is_choice, &length, &status);
  Check(status, "currency symbol");
  data.currency_symbol.assign(reinterpret_cast<const char16_t*>(symbol),
                              static_cast<std::size_t>(length));
  if (auto* decimal = dynamic_cast<icu::DecimalFormat*>(currency.get())) {
    icu::UnicodeString affix;
    data.currency_positive_prefix = ToU16(decimal->getPositivePrefix(affix));
    data.currency_positive_suffix = ToU16(decimal->getPositiveSuffix(affix));
    data.currency_negative_prefix = ToU16(decimal->getNegativePrefix(affix));
    data.currency_negative_suffix = ToU16(decimal->getNegativeSuffix(affix));
  }
}

void LoadDates(const icu::Locale& locale, LocaleData& data) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DateFormatSymbols symbols(locale, status);
  Check(status, "date symbols");
  // Each ICU getter reports its array length through count, so the array
  // is fetched before count is read.
  const auto copy_names = [](const icu::UnicodeString* names, int32_t n, auto& target,
                             int32_t first) {
    for (std::size_t i = 0; i < target.size() && first + static_cast<int32_t>(i) < n; ++i) {
      target[i] = ToU16(names[first + static_cast<int32_t>(i)]);
    }
  };
  using Symbols = icu::DateFormatSymbols;
  int32_t count = 0;
  const icu::UnicodeString* names = symbols.getMonths(count, Symbols::FORMAT, Symbols::WIDE);
  copy_names(names, count, data.month_names, 0);
  names = symbols.getMonths(count, Symbols::FORMAT, Symbols::ABBREVIATED);
  copy_names(names, count, data.month_abbreviations, 0);
  // ICU's weekday arrays are 1-based (index 1 is Sunday).
  names = symbols.getWeekdays(count, Symbols::FORMAT, Symbols::WIDE);
  copy_names(names, count, data.day_names, 1);
  names = symbols.getWeekdays(count, Symbols::FORMAT, Symbols::ABBREVIATED);
  copy_names(names, count, data.day_abbreviations, 1);
  const icu::UnicodeString* am_pm = symbols.getAmPmStrings(count);
  if (count >= 2) {
    data.am_designator = ToU16(am_pm[0]);
    data.pm_designator = ToU16(am_pm[1]);
  }

  using Style = icu::DateFormat;
  data.short_date_pattern = WidenYear(DatePattern(Style::kShort, Style::kNone, locale));
  data.full_date_pattern = DatePattern(Style::kFull, Style::kNone, locale);
  data.medium_date_pattern = DatePattern(Style::kMedium, Style::kNone, locale);
  data.medium_time_pattern = PlainBlanks(DatePattern(Style::kNone, Style::kMedium, locale));
  data.date_separator = FirstSeparator(data.short_date_pattern, u"/");
  data.time_separator = FirstSeparator(data.medium_time_pattern, u":");
}

}  // namespace

LocaleData LoadLocaleData(const std::string& canonical_id) {
  const icu::Locale locale(canonical_id.c_str());
  LocaleData data;
  data.name = locale.getName();
  LoadNumbers(locale, data);
  LoadDates(locale, data);
  return data;
}

}  // namespace pelt::value::internal
