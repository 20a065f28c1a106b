#pragma once

#include <algorithm>
#include <string_view>

namespace pelt::runtime {

// Program ids match without regard to ASCII case.
inline bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) {
             return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
           };
           return lower(x) == lower(y);
         });
}

// A value fits on its line of the registry text: no line break, no NUL.
inline bool ValueFits(std::string_view value) {
  return value.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

}  // namespace pelt::runtime
