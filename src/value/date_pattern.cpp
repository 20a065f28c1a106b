#include "date_pattern.h"

#include <charconv>

#include "pelt/value/text.h"

namespace pelt::value::internal {
namespace {

void AppendNumber(std::int32_t value, std::size_t min_digits, std::u16string& out) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  const auto length = static_cast<std::size_t>(result.ptr - buffer);
  if (length < min_digits) out.append(min_digits - length, u'0');
  AppendAscii(out, std::string_view(buffer, length));
}

bool IsPatternLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

void AppendField(char16_t letter, std::size_t count, const DateParts& p, const LocaleData& locale,
                 std::u16string& out) {
  switch (letter) {
    case u'y':
      if (count == 2) {
        AppendNumber(p.year % 100, 2, out);
      } else {
        AppendNumber(p.year, count, out);
      }
      break;
    case u'M':
    case u'L':
      if (count >= 4) {
        out += locale.month_names[static_cast<std::size_t>(p.month - 1)];
      } else if (count == 3) {
        out += locale.month_abbreviations[static_cast<std::size_t>(p.month - 1)];
      } else {
        AppendNumber(p.month, count, out);
      }
      break;
    case u'd':
      AppendNumber(p.day, count, out);
      break;
    case u'E':
    case u'c':
    case u'e':
      if (count >= 4) {
        out += locale.day_names[static_cast<std::size_t>(p.weekday - 1)];
      } else {
        out += locale.day_abbreviations[static_cast<std::size_t>(p.weekday - 1)];
      }
      break;
    case u'H':
      AppendNumber(p.hour, count, out);
      break;
    case u'k':
      AppendNumber(p.hour == 0 ? 24 : p.hour, count, out);
      break;
    case u'h':
      AppendNumber(p.hour % 12 == 0 ? 12 : p.hour % 12, count, out);
      break;
    case u'K':
      AppendNumber(p.hour % 12, count, out);
      break;
    case u'm':
      AppendNumber(p.minute, count, out);
      break;
    case u's':
      AppendNumber(p.second, count, out);
      break;
    case u'a':
      out += p.hour < 12 ? locale.am_designator : locale.pm_designator;
      break;
    default:
      break;  // eras, zones and the like have no place in a label's date
  }
}

}  // namespace

void AppendDatePattern(std::u16string_view pattern, const DateParts& parts,
                       const LocaleData& locale, std::u16string& out) {
  for (std::size_t i = 0; i < pattern.size();) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      // '' is a literal quote; 'text' is literal text.
      if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
        out.push_back(u'\'');
        i += 2;
        continue;
      }
      std::size_t end = i + 1;
      while (end < pattern.size()) {
        if (pattern[end] == u'\'') {
          if (end + 1 < pattern.size() && pattern[end + 1] == u'\'') {
            out.push_back(u'\'');
            end += 2;
            continue;
          }
          break;
        }
        out.push_back(pattern[end]);
        ++end;
      }
      i = end + 1;
      continue;
    }
    if (!IsPatternLetter(c)) {
      out.push_back(c);
      ++i;
      continue;
    }
    std::size_t count = 1;
    while (i + count < pattern.size() && pattern[i + count] == c) ++count;
    AppendField(c, count, parts, locale, out);
    i += count;
  }
}

}  // namespace pelt::value::internal
