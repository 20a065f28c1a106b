#pragma once

// Shared by pelt::value and pelt::format (as "value/digits.h"), and installed
// with neither.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "pelt/value/text.h"

namespace pelt::value::internal {

// Appends a whole number in ASCII digits, with leading zeros up to
// min_digits (a minus sign does not count as a digit's place).
inline void AppendInteger(std::u16string& out, std::int64_t value, int min_digits = 1) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  const auto length = static_cast<int>(end - buffer);
  if (length < min_digits) out.append(static_cast<std::size_t>(min_digits - length), u'0');
  AppendAscii(out, std::string_view(buffer, static_cast<std::size_t>(length)));
}

}  // namespace pelt::value::internal
