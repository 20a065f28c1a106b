#include "pelt/format/format.h"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "icu_number_format.h"
#include "picture.h"
#include "picture_format.h"
#include "rounding.h"

namespace pelt::format {

using value::Converted;
using value::Currency;
using value::ErrorCode;
using value::LocaleData;
using value::ToDouble;
using value::Variant;
using value::VarType;

namespace {

using internal::CompiledPicture;
using internal::Decimal;
using internal::RoundingMode;

constexpr int kMaxDecimals = 99;
constexpr int kLocaleDefaultDecimals = 2;

std::shared_ptr<const CompiledPicture> Compile(std::u16string_view picture) {
  return std::make_shared<const CompiledPicture>(internal::ParsePicture(picture));
}

// Pictures that this thread has compiled. Labels reuse a handful of
// pictures millions of times, so the table stays small; a thread that
// meets many distinct pictures drops it and starts again rather than grow.
const CompiledPicture& CachedPicture(std::u16string_view picture) {
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const {
      return std::hash<std::u16string_view>()(s);
    }
  };
  constexpr std::size_t kMaxEntries = 512;
  thread_local std::unordered_map<std::u16string, std::shared_ptr<const CompiledPicture>, Hash,
                                  std::equal_to<>>
      cache;
  // A label made row after row asks for the same picture each time: the
  // last one is found without hashing it.
  thread_local std::u16string last_text;
  thread_local const CompiledPicture* last = nullptr;
  if (last != nullptr && picture == last_text) return *last;
  last = nullptr;  // the cache may drop it below
  auto it = cache.find(picture);
  if (it == cache.end()) {
    if (cache.size() >= kMaxEntries) cache.clear();
    it = cache.emplace(std::u16string(picture), Compile(picture)).first;
  }
  last_text.assign(picture);
  last = it->second.get();
  return *last;
}

ErrorCode ApplyInto(const Variant& value, const CompiledPicture& picture, const LocaleData& locale,
                    Variant& out) {
  std::u16string& text = out.TextToFill();
  text.clear();
  switch (internal::AppendFormatted(value, picture, locale, text)) {
    case internal::Outcome::kText: return ErrorCode::kNone;
    case internal::Outcome::kNull: out = Variant::Null(); return ErrorCode::kNone;
    case internal::Outcome::kOverflow: break;
  }
  return ErrorCode::kOverflow;
}

Converted<Variant> Apply(const Variant& value, const CompiledPicture& picture,
                         const LocaleData& locale) {
  Variant out;
  const ErrorCode error = ApplyInto(value, picture, locale, out);
  if (error != ErrorCode::kNone) return {Variant(), error};
  return {std::move(out), ErrorCode::kNone};
}

// The decimal digits of a numeric value: exact for integers and currency,
// 15 significant digits for doubles and numeric text.
Converted<Decimal> NumericDecimal(const Variant& value, const LocaleData& locale) {
  switch (value.type()) {
    case VarType::kNull: return {Decimal{}, ErrorCode::kInvalidUseOfNull};
    case VarType::kBoolean:
      return {internal::DecimalFromInteger(value.AsBoolean() ? -1 : 0), ErrorCode::kNone};
    case VarType::kInteger:
      return {internal::DecimalFromInteger(value.AsInteger()), ErrorCode::kNone};
    case VarType::kLong: return {internal::DecimalFromInteger(value.AsLong()), ErrorCode::kNone};
    case VarType::kCurrency:
      return {internal::DecimalFromCurrency(value.AsCurrency()), ErrorCode::kNone};
    case VarType::kDouble:
    case VarType::kString: {
      const Converted<double> d = ToDouble(value, locale);
      if (!d.ok()) return {Decimal{}, d.error};
      if (!std::isfinite(d.value)) return {Decimal{}, ErrorCode::kOverflow};
      return {internal::DecimalFromDouble(d.value), ErrorCode::kNone};
    }
    case VarType::kEmpty:
    case VarType::kDate: break;
  }
  return {Decimal{}, ErrorCode::kTypeMismatch};
}

}  // namespace

Picture::Picture() : compiled_(Compile(u"")) {}

Picture::Picture(std::u16string_view picture) : compiled_(Compile(picture)) {}

Converted<Variant> Format(const Variant& value, std::u16string_view picture,
                          const LocaleData& locale) {
  return Apply(value, CachedPicture(picture), locale);
}

Converted<Variant> Format(const Variant& value, const Picture& picture, const LocaleData& locale) {
  return Apply(value, picture.compiled(), locale);
}

ErrorCode FormatInto(const Variant& value, std::u16string_view picture, const LocaleData& locale,
                     Variant& out) {
  return ApplyInto(value, CachedPicture(picture), locale, out);
}

Converted<std::u16string> FormatNumber(const Variant& value, int decimals,
                                       const LocaleData& locale) {
  Variant out;
  const ErrorCode error = FormatNumberInto(value, decimals, locale, out);
  if (error != ErrorCode::kNone) return {{}, error};
  return {std::move(out.MutableText()), ErrorCode::kNone};
}

ErrorCode FormatNumberInto(const Variant& value, int decimals, const LocaleData& locale,
                           Variant& out) {
  if (decimals == -1) decimals = kLocaleDefaultDecimals;
  if (decimals < 0 || decimals > kMaxDecimals) return ErrorCode::kInvalidProcedureCall;
  const Converted<Decimal> d = NumericDecimal(value, locale);
  if (!d.ok()) return d.error;
  std::u16string& text = out.TextToFill();
  text.clear();
  internal::AppendLocaleNumber(d.value, decimals, locale, text);
  return ErrorCode::kNone;
}

Converted<std::u16string> FormatCurrency(const Variant& value, const LocaleData& locale) {
  const Converted<Decimal> d = NumericDecimal(value, locale);
  if (!d.ok()) return {{}, d.error};
  Converted<std::u16string> result;
  internal::AppendCurrencyText(d.value, locale, result.value);
  return result;
}

Converted<Variant> Round(const Variant& value, int decimals, const LocaleData& locale) {
  if (decimals < 0) return {Variant(), ErrorCode::kInvalidProcedureCall};
  switch (value.type()) {
    case VarType::kInteger:
    case VarType::kLong: return {value, ErrorCode::kNone};
    case VarType::kBoolean:
      return {Variant::FromInteger(value.AsBoolean() ? -1 : 0), ErrorCode::kNone};
    case VarType::kCurrency: {
      Decimal d = internal::DecimalFromCurrency(value.AsCurrency());
      internal::RoundDecimal(d, decimals < 4 ? decimals : 4, RoundingMode::kHalfEven);
      // Back to ten-thousandths; rounding up the largest amounts overflows.
      std::int64_t scaled = 0;
      for (int place = d.point + 3; place >= 0 && d.count > 0; --place) {
        const int digit = d.DigitAtPlace(place - 4) - '0';
        if (scaled > (std::numeric_limits<std::int64_t>::max() - digit) / 10) {
          return {Variant(), ErrorCode::kOverflow};
        }
        scaled = scaled * 10 + digit;
      }
      return {Variant::FromCurrency(Currency{d.negative ? -scaled : scaled}), ErrorCode::kNone};
    }
    case VarType::kDouble:
    case VarType::kString: {
      const Converted<double> v = ToDouble(value, locale);
      if (!v.ok()) return {Variant(), v.error};
      if (!std::isfinite(v.value)) return {Variant::FromDouble(v.value), ErrorCode::kNone};
      Decimal d = internal::DecimalFromDouble(v.value);
      internal::RoundDecimal(d, decimals, RoundingMode::kHalfEven);
      return {Variant::FromDouble(internal::DecimalToDouble(d)), ErrorCode::kNone};
    }
    case VarType::kNull: return {Variant(), ErrorCode::kInvalidUseOfNull};
    case VarType::kEmpty:
    case VarType::kDate: break;
  }
  return {Variant(), ErrorCode::kTypeMismatch};
}

bool IsCurrencyPicture(std::u16string_view picture) {
  try {
    return internal::ParsePicture(picture).named == internal::NamedFormat::kCurrency;
  } catch (...) {
    return false;  // out of memory: no picture can be told apart
  }
}

}  // namespace pelt::format
