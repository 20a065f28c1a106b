#include "pelt/value/conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "date_pattern.h"
#include "digits.h"
#include "float_chars.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"

namespace pelt::value {
namespace {

// Rounds half to even; the caller checks the range.
double RoundHalfEven(double d) {
  const double floor = std::floor(d);
  const double diff = d - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

template <class Int>
Converted<Int> RoundToInt(double d) {
  if (std::isnan(d)) return {Int{}, ErrorCode::kOverflow};
  const double rounded = RoundHalfEven(d);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    return {Int{}, ErrorCode::kOverflow};
  }
  return {static_cast<Int>(rounded), ErrorCode::kNone};
}

void AppendCurrency(Currency c, const LocaleData& locale, std::u16string& out) {
  // |INT64_MIN| does not fit: go through unsigned arithmetic.
  const bool negative = c.scaled < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(c.scaled) : static_cast<std::uint64_t>(c.scaled);
  const auto scale = static_cast<std::uint64_t>(Currency::kScale);
  std::uint64_t fraction = magnitude % scale;
  if (negative) out.push_back(u'-');
  internal::AppendInteger(out, static_cast<std::int64_t>(magnitude / scale));
  if (fraction == 0) return;
  int digits = 4;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  out += locale.decimal_separator;
  internal::AppendInteger(out, static_cast<std::int64_t>(fraction), digits);
}

void AppendDate(Date date, const LocaleData& locale, std::u16string& out) {
  const std::optional<DateParts> parts = SplitDate(date);
  if (!parts) {
    // Outside the calendar's range a date has no calendar form; show the
    // serial rather than fail the label.
    AppendDouble(date.serial, locale, out);
    return;
  }
  internal::AppendGeneralDate(date, *parts, locale, out);
}

}  // namespace

bool IsNumeric(const Variant& v, const LocaleData& locale) {
  if (v.IsNumber()) return true;
  if (v.IsText()) return IsNumericText(v.AsText(), locale);
  return false;
}

Converted<double> ToDouble(const Variant& v, const LocaleData& locale) {
  switch (v.type()) {
    case VarType::kEmpty: return {0.0, ErrorCode::kNone};
    case VarType::kNull: return {0.0, ErrorCode::kInvalidUseOfNull};
    case VarType::kBoolean: return {v.AsBoolean() ? -1.0 : 0.0, ErrorCode::kNone};
    case VarType::kInteger: return {static_cast<double>(v.AsInteger()), ErrorCode::kNone};
    case VarType::kLong: return {static_cast<double>(v.AsLong()), ErrorCode::kNone};
    case VarType::kDouble: return {v.AsDouble(), ErrorCode::kNone};
    case VarType::kCurrency:
      return {static_cast<double>(v.AsCurrency().scaled) / Currency::kScale, ErrorCode::kNone};
    case VarType::kDate: return {v.AsDate().serial, ErrorCode::kNone};
    case VarType::kString: return ParseNumber(v.AsText(), locale);
  }
  return {0.0, ErrorCode::kTypeMismatch};
}

Converted<std::int32_t> DoubleToLong(double d) { return RoundToInt<std::int32_t>(d); }

Converted<std::int16_t> ToInteger(const Variant& v, const LocaleData& locale) {
  const Converted<double> d = ToDouble(v, locale);
  if (!d.ok()) return {0, d.error};
  return RoundToInt<std::int16_t>(d.value);
}

Converted<std::int32_t> ToLong(const Variant& v, const LocaleData& locale) {
  const Converted<double> d = ToDouble(v, locale);
  if (!d.ok()) return {0, d.error};
  return RoundToInt<std::int32_t>(d.value);
}

void AppendDouble(double d, const LocaleData& locale, std::u16string& out) {
  if (std::isnan(d)) {
    out += u"NaN";
    return;
  }
  if (std::isinf(d)) {
    out += d < 0 ? u"-Infinity" : u"Infinity";
    return;
  }
  if (d == 0.0) d = 0.0;  // negative zero reads "0"
  // %.15g: shortest form within 15 significant digits, exponent form from
  // 1e15 up and below 1e-4, which is exactly the text form users know.
  char buffer[32];
  const char* const end = internal::float_chars::General(buffer, buffer + sizeof buffer, d, 15);
  for (const char* p = buffer; p != end; ++p) {
    if (*p == '.') {
      out += locale.decimal_separator;
    } else if (*p == 'e') {
      out.push_back(u'E');
    } else {
      out.push_back(static_cast<char16_t>(*p));
    }
  }
}

ErrorCode AppendText(const Variant& v, const LocaleData& locale, std::u16string& out) {
  switch (v.type()) {
    case VarType::kEmpty: return ErrorCode::kNone;
    case VarType::kNull: return ErrorCode::kInvalidUseOfNull;
    case VarType::kBoolean: out += v.AsBoolean() ? u"True" : u"False"; return ErrorCode::kNone;
    case VarType::kInteger: internal::AppendInteger(out, v.AsInteger()); return ErrorCode::kNone;
    case VarType::kLong: internal::AppendInteger(out, v.AsLong()); return ErrorCode::kNone;
    case VarType::kDouble: AppendDouble(v.AsDouble(), locale, out); return ErrorCode::kNone;
    case VarType::kCurrency: AppendCurrency(v.AsCurrency(), locale, out); return ErrorCode::kNone;
    case VarType::kDate: AppendDate(v.AsDate(), locale, out); return ErrorCode::kNone;
    case VarType::kString: out += v.AsText(); return ErrorCode::kNone;
  }
  return ErrorCode::kTypeMismatch;
}

Converted<std::u16string> ToText(const Variant& v, const LocaleData& locale) {
  Converted<std::u16string> result;
  result.error = AppendText(v, locale, result.value);
  return result;
}

}  // namespace pelt::value
