#include <charconv>
#include <optional>
#include <string>
#include <system_error>

#include "float_chars.h"
#include "pelt/value/conversion.h"

namespace pelt::value {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Rewrites numeric text in the locale as plain ASCII ("-123.45e6") for
// from_chars, which does the correctly rounded conversion:
//   number := [sign] digits-with-groups [decimal-separator digits] [(e|E) [+|-] digits]
// with at least one mantissa digit.
class AsciiNumber {
 public:
  AsciiNumber(std::u16string_view text, const LocaleData& locale) : text_(text), locale_(locale) {}

  std::optional<std::string> Read() {
    ReadSign();
    ReadIntegerDigits();
    if (Take(locale_.decimal_separator)) {
      ascii_.push_back('.');
      ReadDigits(mantissa_digits_);
    }
    if (mantissa_digits_ == 0 || !ReadExponent() || at_ != text_.size()) return std::nullopt;
    return ascii_;
  }

 private:
  bool StartsWith(std::u16string_view prefix, std::size_t at) const {
    return !prefix.empty() && text_.substr(at, prefix.size()) == prefix;
  }

  bool Take(std::u16string_view prefix) {
    if (!StartsWith(prefix, at_)) return false;
    at_ += prefix.size();
    return true;
  }

  void ReadSign() {
    if (Take(u"-") || Take(locale_.minus_sign)) {
      ascii_.push_back('-');
    } else if (!Take(u"+")) {
      Take(locale_.plus_sign);
    }
  }

  void ReadDigits(std::size_t& count) {
    while (at_ < text_.size() && IsDigit(text_[at_])) {
      ascii_.push_back(static_cast<char>(text_[at_++]));
      ++count;
    }
  }

  // Digits with group separators between them, in any positions.
  void ReadIntegerDigits() {
    for (;;) {
      ReadDigits(mantissa_digits_);
      const std::size_t length = GroupSeparatorAt(at_);
      if (mantissa_digits_ == 0 || length == 0 || StartsWith(locale_.decimal_separator, at_) ||
          at_ + length >= text_.size() || !IsDigit(text_[at_ + length])) {
        return;
      }
      at_ += length;
    }
  }

  // The length of the group separator at `at`, 0 for none. Grouping blanks
  // are often no-break spaces; users type ordinary ones.
  std::size_t GroupSeparatorAt(std::size_t at) const {
    if (StartsWith(locale_.group_separator, at)) return locale_.group_separator.size();
    const bool blank_grouping =
        locale_.group_separator == u"\u00A0" || locale_.group_separator == u"\u202F";
    return blank_grouping && at < text_.size() && text_[at] == u' ' ? 1 : 0;
  }

  bool ReadExponent() {
    if (!Take(u"e") && !Take(u"E")) return true;
    ascii_.push_back('e');
    if (at_ < text_.size() && (text_[at_] == u'+' || text_[at_] == u'-')) {
      ascii_.push_back(static_cast<char>(text_[at_++]));
    }
    std::size_t digits = 0;
    ReadDigits(digits);
    return digits > 0;
  }

  std::u16string_view text_;
  const LocaleData& locale_;
  std::size_t at_ = 0;
  std::size_t mantissa_digits_ = 0;
  std::string ascii_;
};

// A number from_chars found out of range: too small rounds to zero, too
// large is an overflow. The decimal exponent of the first digit tells them
// apart.
Converted<double> OutOfRange(const std::string& ascii) {
  const std::size_t e = ascii.find('e');
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

}  // namespace

Converted<double> ParseNumber(std::u16string_view text, const LocaleData& locale) {
  const Converted<double> not_a_number{0.0, ErrorCode::kTypeMismatch};
  const std::optional<std::string> ascii = AsciiNumber(TrimBlanks(text), locale).Read();
  if (!ascii) return not_a_number;
  double value = 0.0;
  const auto result =
      internal::float_chars::ParseDouble(ascii->data(), ascii->data() + ascii->size(), value);
  if (result.ec == std::errc::result_out_of_range) return OutOfRange(*ascii);
  if (result.ec != std::errc()) return not_a_number;
  return {value, ErrorCode::kNone};
}

bool IsNumericText(std::u16string_view text, const LocaleData& locale) {
  return ParseNumber(text, locale).ok();
}

}  // namespace pelt::value
