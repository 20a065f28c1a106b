#include "icu_number_format.h"

#include <unicode/numberformatter.h>
#include <unicode/unistr.h>

#include <string_view>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "value/float_chars.h"

namespace pelt::format::internal {

using value::LocaleData;

namespace {

enum class Style : std::uint8_t { kNumber, kCurrency };

using Formatter = icu::number::LocalizedNumberFormatter;

double ProbeValue(std::string_view text) {
  double value = 0.0;
  value::internal::float_chars::ParseDouble(text.data(), text.data() + text.size(), value);
  return value;
}

// ICU's formatters are immutable and thread-safe once built; building one
// costs far more than using it, so each (locale, style, decimals) is built
// once for the process and kept. Each thread keeps its own index of the
// ones it uses, so the lock is taken only the first time.
class FormatterCache {
 public:
  const Formatter* Get(const LocaleData& locale, Style style, int decimals) {
    const Key key{locale.name, style, decimals};
    std::lock_guard lock(mutex_);
    auto it = formatters_.find(key);
    if (it == formatters_.end()) {
      it = formatters_.emplace(key, Build(locale, style, decimals)).first;
    }
    return it->second.get();
  }

 private:
  using Key = std::tuple<std::string, Style, int>;

  static std::unique_ptr<Formatter> Build(const LocaleData& locale, Style style, int decimals) {
    namespace number = icu::number;
    UErrorCode status = U_ZERO_ERROR;
    number::LocalizedNumberFormatter formatter =
        number::NumberFormatter::withLocale(icu::Locale(locale.name.c_str()))
            .precision(number::Precision::fixedFraction(decimals))
            .roundingMode(UNUM_ROUND_HALFUP);
    if (style == Style::kCurrency) {
      const icu::CurrencyUnit unit(locale.currency_code.c_str(), status);
      if (U_SUCCESS(status)) formatter = formatter.unit(unit);
    }
    return std::make_unique<Formatter>(std::move(formatter));
  }

  std::mutex mutex_;
  std::map<Key, std::unique_ptr<Formatter>> formatters_;
};

FormatterCache& Cache() {
  static FormatterCache* cache = new FormatterCache();  // used until exit
  return *cache;
}

const Formatter& FormatterFor(const LocaleData& locale, Style style, int decimals) {
  struct Hash {
    std::size_t operator()(const std::tuple<const LocaleData*, Style, int>& k) const {
      return std::hash<const void*>()(std::get<0>(k)) ^
             (static_cast<std::size_t>(std::get<2>(k)) << 2) ^
             static_cast<std::size_t>(std::get<1>(k));
    }
  };
  // LocaleData objects live for the whole process, so their addresses are
  // stable keys.
  thread_local std::unordered_map<std::tuple<const LocaleData*, Style, int>, const Formatter*, Hash>
      local;
  const auto key = std::make_tuple(&locale, style, decimals);
  auto it = local.find(key);
  if (it == local.end()) it = local.emplace(key, Cache().Get(locale, style, decimals)).first;
  return *it->second;
}

// ICU's rendering of an already rounded decimal.
void AppendFromIcu(const Decimal& d, int decimals, Style style, const LocaleData& locale,
                   std::u16string& out) {
  const std::string ascii = DecimalToAscii(d);
  UErrorCode status = U_ZERO_ERROR;
  const icu::number::FormattedNumber formatted =
      FormatterFor(locale, style, decimals).formatDecimal(icu::StringPiece(ascii), status);
  const icu::UnicodeString text = formatted.toTempString(status);
  if (U_FAILURE(status)) {
    // ICU refuses only on exhausted memory; show the plain digits.
    for (char c : ascii) out.push_back(static_cast<char16_t>(c));
    return;
  }
  out.append(reinterpret_cast<const char16_t*>(text.getBuffer()),
             static_cast<std::size_t>(text.length()));
}

// The same as AppendFromIcu for locales whose numbers are ASCII digits in
// plain groups with the minus or currency affixes around them, written
// directly: ICU takes several times longer than the digits themselves.
void AppendDirect(const Decimal& d, int decimals, Style style, const LocaleData& locale,
                  std::u16string& out) {
  const bool currency = style == Style::kCurrency;
  if (currency) {
    out += d.negative ? locale.currency_negative_prefix : locale.currency_positive_prefix;
  } else if (d.negative) {
    out += locale.minus_sign;
  }
  const int integer_digits = d.point > 0 ? d.point : 1;
  for (int place = integer_digits - 1; place >= 0; --place) {
    out.push_back(static_cast<char16_t>(d.DigitAtPlace(place)));
    const int primary = locale.grouping_size;
    if (primary > 0 && place >= primary &&
        (place - primary) % locale.secondary_grouping_size == 0) {
      out += locale.group_separator;
    }
  }
  if (decimals > 0) {
    out += locale.decimal_separator;
    for (int place = 1; place <= decimals; ++place) {
      out.push_back(static_cast<char16_t>(d.DigitAtPlace(-place)));
    }
  }
  if (currency) {
    out += d.negative ? locale.currency_negative_suffix : locale.currency_positive_suffix;
  }
}

// Whether AppendDirect gives exactly what ICU gives in this locale, judged
// once per locale and style on values that exercise grouping, signs and
// small numbers (minimum grouping digits, native digits or unusual
// negative forms make it differ, and ICU then does the work).
bool DirectMatchesIcu(const LocaleData& locale, Style style) {
  static constexpr const char* kProbes[] = {
      "1234567.891", "-1234567.891", "0.5", "-0.5", "1234", "-12", "0", "98765432109876.5"};
  const int decimals = style == Style::kCurrency ? locale.currency_digits : 2;
  if (locale.grouping_size < 0 || locale.secondary_grouping_size <= 0) return false;
  for (const char* probe : kProbes) {
    Decimal d = DecimalFromDouble(ProbeValue(probe));
    RoundDecimal(d, decimals, RoundingMode::kHalfAwayFromZero);
    std::u16string direct, icu;
    AppendDirect(d, decimals, style, locale, direct);
    AppendFromIcu(d, decimals, style, locale, icu);
    if (direct != icu) return false;
  }
  return true;
}

bool UseDirect(const LocaleData& locale, Style style) {
  struct Hash {
    std::size_t operator()(const std::pair<const LocaleData*, Style>& k) const {
      return std::hash<const void*>()(k.first) ^ static_cast<std::size_t>(k.second);
    }
  };
  thread_local std::unordered_map<std::pair<const LocaleData*, Style>, bool, Hash> verdicts;
  const auto key = std::make_pair(&locale, style);
  auto it = verdicts.find(key);
  if (it == verdicts.end()) it = verdicts.emplace(key, DirectMatchesIcu(locale, style)).first;
  return it->second;
}

void Append(Decimal d, int decimals, Style style, const LocaleData& locale, std::u16string& out) {
  // Round here, on the decimal digits, so that a negative amount that
  // rounds to zero loses its sign before ICU sees it.
  RoundDecimal(d, decimals, RoundingMode::kHalfAwayFromZero);
  if (UseDirect(locale, style)) {
    AppendDirect(d, decimals, style, locale, out);
  } else {
    AppendFromIcu(d, decimals, style, locale, out);
  }
}

}  // namespace

void AppendLocaleNumber(Decimal d, int decimals, const LocaleData& locale, std::u16string& out) {
  Append(d, decimals, Style::kNumber, locale, out);
}

void AppendCurrencyText(Decimal d, const LocaleData& locale, std::u16string& out) {
  Append(d, locale.currency_digits, Style::kCurrency, locale, out);
}

void AppendLocaleNumberByIcu(Decimal d, int decimals, const LocaleData& locale,
                             std::u16string& out) {
  RoundDecimal(d, decimals, RoundingMode::kHalfAwayFromZero);
  AppendFromIcu(d, decimals, Style::kNumber, locale, out);
}

void AppendCurrencyTextByIcu(Decimal d, const LocaleData& locale, std::u16string& out) {
  RoundDecimal(d, locale.currency_digits, RoundingMode::kHalfAwayFromZero);
  AppendFromIcu(d, locale.currency_digits, Style::kCurrency, locale, out);
}

}  // namespace pelt::format::internal
