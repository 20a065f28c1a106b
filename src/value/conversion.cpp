#include "pelt/value/conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "date_pattern.h"
#include "digits.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"

namespace pelt::value {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool StartsWith(std::u16string_view text, std::size_t at, std::u16string_view prefix) {
  return !prefix.empty() && text.substr(at, prefix.size()) == prefix;
}

// Grouping blanks are often no-break spaces; users type ordinary ones.
bool IsGroupSeparatorAt(std::u16string_view text, std::size_t at, const LocaleData& locale,
                        std::size_t& length) {
  if (StartsWith(text, at, locale.group_separator)) {
    length = locale.group_separator.size();
    return true;
  }
  const bool blank_grouping = locale.group_separator == u"\u00A0" ||
                              locale.group_separator == u"\u202F";
  if (blank_grouping && text[at] == u' ') {
    length = 1;
    return true;
  }
  return false;
}

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
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(c.scaled)
                                           : static_cast<std::uint64_t>(c.scaled);
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

Converted<double> ParseNumber(std::u16string_view text, const LocaleData& locale) {
  const Converted<double> not_a_number{0.0, ErrorCode::kTypeMismatch};
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  text = text.substr(begin, end - begin);

  // Build "-123.45e6" in ASCII and let from_chars do the correctly rounded
  // conversion.
  std::string ascii;
  ascii.reserve(text.size());
  std::size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-' ||
                          StartsWith(text, i, locale.minus_sign) ||
                          StartsWith(text, i, locale.plus_sign))) {
    const bool minus = text[i] == u'-' || StartsWith(text, i, locale.minus_sign);
    if (minus) ascii.push_back('-');
    i += (text[i] == u'+' || text[i] == u'-') ? 1 : (minus ? locale.minus_sign.size()
                                                           : locale.plus_sign.size());
  }
  std::size_t mantissa_digits = 0;
  std::size_t group_length = 0;
  while (i < text.size()) {
    if (IsDigit(text[i])) {
      ascii.push_back(static_cast<char>(text[i]));
      ++mantissa_digits;
      ++i;
    } else if (mantissa_digits > 0 && i + 1 < text.size() &&
               !StartsWith(text, i, locale.decimal_separator) &&
               IsGroupSeparatorAt(text, i, locale, group_length) &&
               i + group_length < text.size() && IsDigit(text[i + group_length])) {
      i += group_length;  // a group separator must stand between digits
    } else {
      break;
    }
  }
  if (StartsWith(text, i, locale.decimal_separator)) {
    ascii.push_back('.');
    i += locale.decimal_separator.size();
    while (i < text.size() && IsDigit(text[i])) {
      ascii.push_back(static_cast<char>(text[i]));
      ++mantissa_digits;
      ++i;
    }
  }
  if (mantissa_digits == 0) return not_a_number;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      ascii.push_back(static_cast<char>(text[i]));
      ++i;
    }
    std::size_t exponent_digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
      ascii.push_back(static_cast<char>(text[i]));
      ++exponent_digits;
      ++i;
    }
    if (exponent_digits == 0) return not_a_number;
  }
  if (i != text.size()) return not_a_number;

  double value = 0.0;
  const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too small rounds to zero; too large is an overflow. Tell them apart by
    // the decimal exponent of the first digit.
    std::size_t e = ascii.find('e');
    long exponent = 0;
    if (e != std::string::npos) {
      std::from_chars(ascii.data() + e + 1 + (ascii[e + 1] == '+' ? 1 : 0),
                      ascii.data() + ascii.size(), exponent);
    }
    const std::size_t point = ascii.find('.');
    const std::size_t first = ascii.find_first_of("123456789");
    const long integer_digits =
        static_cast<long>(point == std::string::npos ? std::min(e, ascii.size()) : point) -
        static_cast<long>(first);
    if (first == std::string::npos || exponent + integer_digits < 0) {
      return {ascii[0] == '-' ? -0.0 : 0.0, ErrorCode::kNone};
    }
    return {0.0, ErrorCode::kOverflow};
  }
  if (result.ec != std::errc()) return not_a_number;
  return {value, ErrorCode::kNone};
}

bool IsNumericText(std::u16string_view text, const LocaleData& locale) {
  return ParseNumber(text, locale).ok();
}

bool IsNumeric(const Variant& v, const LocaleData& locale) {
  if (v.IsNumber()) return true;
  if (v.IsText()) return IsNumericText(v.AsText(), locale);
  return false;
}

Converted<double> ToDouble(const Variant& v, const LocaleData& locale) {
  switch (v.type()) {
    case VarType::kEmpty:
      return {0.0, ErrorCode::kNone};
    case VarType::kNull:
      return {0.0, ErrorCode::kInvalidUseOfNull};
    case VarType::kBoolean:
      return {v.AsBoolean() ? -1.0 : 0.0, ErrorCode::kNone};
    case VarType::kInteger:
      return {static_cast<double>(v.AsInteger()), ErrorCode::kNone};
    case VarType::kLong:
      return {static_cast<double>(v.AsLong()), ErrorCode::kNone};
    case VarType::kDouble:
      return {v.AsDouble(), ErrorCode::kNone};
    case VarType::kCurrency:
      return {static_cast<double>(v.AsCurrency().scaled) / Currency::kScale, ErrorCode::kNone};
    case VarType::kDate:
      return {v.AsDate().serial, ErrorCode::kNone};
    case VarType::kString:
      return ParseNumber(v.AsText(), locale);
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
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, d,
                                    std::chars_format::general, 15);
  for (const char* p = buffer; p != result.ptr; ++p) {
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
    case VarType::kEmpty:
      return ErrorCode::kNone;
    case VarType::kNull:
      return ErrorCode::kInvalidUseOfNull;
    case VarType::kBoolean:
      out += v.AsBoolean() ? u"True" : u"False";
      return ErrorCode::kNone;
    case VarType::kInteger:
      internal::AppendInteger(out, v.AsInteger());
      return ErrorCode::kNone;
    case VarType::kLong:
      internal::AppendInteger(out, v.AsLong());
      return ErrorCode::kNone;
    case VarType::kDouble:
      AppendDouble(v.AsDouble(), locale, out);
      return ErrorCode::kNone;
    case VarType::kCurrency:
      AppendCurrency(v.AsCurrency(), locale, out);
      return ErrorCode::kNone;
    case VarType::kDate:
      AppendDate(v.AsDate(), locale, out);
      return ErrorCode::kNone;
    case VarType::kString:
      out += v.AsText();
      return ErrorCode::kNone;
  }
  return ErrorCode::kTypeMismatch;
}

Converted<std::u16string> ToText(const Variant& v, const LocaleData& locale) {
  Converted<std::u16string> result;
  result.error = AppendText(v, locale, result.value);
  return result;
}

}  // namespace pelt::value
