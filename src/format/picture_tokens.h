#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "picture.h"

namespace pelt::format::internal {

// Raw tokens of one section, before the section's kind gives them their
// meaning: in a number section a date letter is literal text, in a text
// section a 0 is.
enum class Raw : std::uint8_t {
  kLiteral,
  kZero,
  kHash,
  kPoint,
  kComma,
  kPercent,
  kExponent,  // E+ E- e+ e-
  kAt,
  kAmpersand,
  kLower,
  kUpper,
  kBang,
  kSlash,
  kColon,
  kDate,        // a date or time letter run
  kAmPm,        // AM/PM or A/P in any case
  kAmPmLocale,  // AMPM
};

struct RawToken {
  Raw kind = Raw::kLiteral;
  DateField field = DateField::kDay;
  bool plus = false;  // E+ rather than E-
  // The text the token prints as when it is literal: for a quoted run its
  // inside, for an escape the escaped character, otherwise its own span.
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t half = 0;  // AM/PM: the length of each half
};

// ASCII letters compared without case; `lower` is in lower case.
bool MatchesNoCase(std::u16string_view text, std::size_t at, std::u16string_view lower);

// The raw tokens of one section of a picture.
std::vector<RawToken> Tokenize(std::u16string_view section);

// Every spelling Tokenize reads as something other than a character that
// shows itself, in lower case (letters match in any case): "0", "e+", "dd",
// "am/pm", the quote and the backslash. The reference of the picture
// language is checked against it.
std::vector<std::u16string> TokenSpellings();

}  // namespace pelt::format::internal
