#include "pelt/value/typed_literal.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>
#include <vector>

#include "float_chars.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/nearest.h"
#include "pelt/value/text.h"

namespace pelt::value {
namespace {

constexpr std::string_view kNumber = "num";
constexpr std::string_view kInteger = "int";
constexpr std::string_view kCurrency = "cur";
constexpr std::string_view kDate = "date";
constexpr std::string_view kTime = "time";
constexpr std::string_view kBoolean = "bool";
constexpr std::string_view kText = "str";
constexpr std::string_view kNull = "null";
constexpr std::string_view kEmpty = "empty";
constexpr std::string_view kTypes[] = {kNumber,  kInteger, kCurrency, kDate, kTime,
                                       kBoolean, kText,    kNull,     kEmpty};
// The types an untyped text is tried with, before it is taken as text.
constexpr std::string_view kReadAsTypes[] = {kNumber, kDate, kTime, kBoolean};

std::string WithType(std::string_view type, std::string_view body) {
  std::string literal(type);
  literal += ':';
  literal += body;
  return literal;
}

// The whole text as a decimal integer, optionally signed.
template <class Int>
std::optional<Int> ReadInt(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  Int value{};
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// digits [ '.' digits ], at most four decimals, optional sign.
std::optional<Currency> ReadCurrency(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative || (!text.empty() && text.front() == '+')) text.remove_prefix(1);
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  if (whole.empty() || fraction.size() > 4 ||
      (point != std::string_view::npos && fraction.empty())) {
    return std::nullopt;
  }
  std::int64_t scaled = 0;
  int fraction_digits = 0;
  for (std::string_view part : {whole, fraction}) {
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      if (scaled > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) return std::nullopt;
      scaled = scaled * 10 + (c - '0');
    }
    if (part.data() == fraction.data()) fraction_digits = static_cast<int>(part.size());
  }
  for (; fraction_digits < 4; ++fraction_digits) {
    if (scaled > std::numeric_limits<std::int64_t>::max() / 10) return std::nullopt;
    scaled *= 10;
  }
  return Currency{negative ? -scaled : scaled};
}

// HH:MM:SS into its three parts.
bool ReadTime(std::string_view text, std::int32_t& h, std::int32_t& m, std::int32_t& s) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
  const auto hh = ReadInt<std::int32_t>(text.substr(0, 2));
  const auto mm = ReadInt<std::int32_t>(text.substr(3, 2));
  const auto ss = ReadInt<std::int32_t>(text.substr(6, 2));
  if (!hh || !mm || !ss || *hh > 23 || *mm > 59 || *ss > 59 || *hh < 0 || *mm < 0 || *ss < 0) {
    return false;
  }
  h = *hh;
  m = *mm;
  s = *ss;
  return true;
}

std::optional<Variant> ReadDate(std::string_view text) {
  std::int32_t h = 0, m = 0, s = 0;
  if (text.size() > 10) {
    if (text[10] != 'T' || !ReadTime(text.substr(11), h, m, s)) return std::nullopt;
  }
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = ReadInt<std::int32_t>(text.substr(0, 4));
  const auto month = ReadInt<std::int32_t>(text.substr(5, 2));
  const auto day = ReadInt<std::int32_t>(text.substr(8, 2));
  if (!year || !month || !day) return std::nullopt;
  const std::optional<Date> date = MakeDate(*year, *month, *day, h, m, s);
  if (!date) return std::nullopt;
  return Variant::FromDate(*date);
}

}  // namespace

std::optional<Variant> ParseTypedLiteral(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view type = text.substr(0, colon);
  const std::string_view body = text.substr(colon + 1);
  if (type == kText) return Variant::FromText(FromUtf8(body));
  if (type == kNull && body.empty()) return Variant::Null();
  if (type == kEmpty && body.empty()) return Variant();
  if (type == kBoolean) {
    if (body == "true") return Variant::FromBoolean(true);
    if (body == "false") return Variant::FromBoolean(false);
    return std::nullopt;
  }
  if (type == kNumber) {
    double d = 0.0;
    const auto result = internal::float_chars::ParseDouble(body.data(), body.data() + body.size(), d);
    if (body.empty() || result.ec != std::errc() || result.ptr != body.data() + body.size()) {
      return std::nullopt;
    }
    return Variant::FromDouble(d);
  }
  if (type == kInteger) {
    const auto v = ReadInt<std::int32_t>(body);
    if (!v) return std::nullopt;
    if (*v >= std::numeric_limits<std::int16_t>::min() &&
        *v <= std::numeric_limits<std::int16_t>::max()) {
      return Variant::FromInteger(static_cast<std::int16_t>(*v));
    }
    return Variant::FromLong(*v);
  }
  if (type == kCurrency) {
    const auto c = ReadCurrency(body);
    if (!c) return std::nullopt;
    return Variant::FromCurrency(*c);
  }
  if (type == kDate) return ReadDate(body);
  if (type == kTime) {
    std::int32_t h = 0, m = 0, s = 0;
    if (!ReadTime(body, h, m, s)) return std::nullopt;
    return Variant::FromDate(Date{(h * 3600.0 + m * 60.0 + s) / 86400.0});
  }
  return std::nullopt;
}

std::optional<std::string> SuggestTypedLiteral(std::string_view text) {
  if (ParseTypedLiteral(text)) return std::nullopt;
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view type = text.substr(0, colon);
    if (std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes)) {
      return std::nullopt;
    }
    const std::vector<std::size_t> nearest = NearestNames(type, kTypes);
    if (nearest.size() == 1) {
      std::string literal = WithType(kTypes[nearest.front()], text.substr(colon + 1));
      if (ParseTypedLiteral(literal)) return literal;
    }
  }
  for (std::string_view type : kReadAsTypes) {
    std::string literal = WithType(type, text);
    if (ParseTypedLiteral(literal)) return literal;
  }
  return WithType(kText, text);
}

}  // namespace pelt::value
