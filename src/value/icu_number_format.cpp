#include "icu_number_format.h"

#include <unicode/numberformatter.h>
#include <unicode/unistr.h>

#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

namespace pelt::value::internal {
namespace {

enum class Style : std::uint8_t { kNumber, kCurrency };

using Formatter = icu::number::LocalizedNumberFormatter;

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

void Append(Decimal d, int decimals, Style style, const LocaleData& locale, std::u16string& out) {
  // Round here, on the decimal digits, so that a negative amount that
  // rounds to zero loses its sign before ICU sees it.
  RoundDecimal(d, decimals, RoundingMode::kHalfAwayFromZero);
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

}  // namespace

void AppendLocaleNumber(Decimal d, int decimals, const LocaleData& locale, std::u16string& out) {
  Append(d, decimals, Style::kNumber, locale, out);
}

void AppendCurrencyText(Decimal d, const LocaleData& locale, std::u16string& out) {
  Append(d, locale.currency_digits, Style::kCurrency, locale, out);
}

}  // namespace pelt::value::internal
