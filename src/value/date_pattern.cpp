#include "date_pattern.h"

#include <optional>

#include "digits.h"

namespace pelt::value::internal {
namespace {

bool IsPatternLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Four letters or more ask for the full name, fewer for the abbreviation.
template <std::size_t N>
void AppendName(const std::array<std::u16string, N>& names,
                const std::array<std::u16string, N>& abbreviations, int one_based,
                std::size_t count, std::u16string& out) {
  const auto index = static_cast<std::size_t>(one_based - 1);
  out += count >= 4 ? names[index] : abbreviations[index];
}

// The number a pattern letter shows; nullopt for names, designators and
// letters without a meaning here.
std::optional<int> NumberFor(char16_t letter, std::size_t count, const DateParts& p) {
  switch (letter) {
    case u'y': return count == 2 ? p.year % 100 : p.year;
    case u'M':
    case u'L': return count >= 3 ? std::nullopt : std::optional<int>(p.month);
    case u'd': return p.day;
    case u'H': return p.hour;
    case u'k': return p.hour == 0 ? 24 : p.hour;
    case u'h': return p.hour % 12 == 0 ? 12 : p.hour % 12;
    case u'K': return p.hour % 12;
    case u'm': return p.minute;
    case u's': return p.second;
    default: return std::nullopt;
  }
}

void AppendField(char16_t letter, std::size_t count, const DateParts& p, const LocaleData& locale,
                 std::u16string& out) {
  if (const std::optional<int> number = NumberFor(letter, count, p)) {
    AppendInteger(out, *number, static_cast<int>(count));
    return;
  }
  switch (letter) {
    case u'M':
    case u'L':
      AppendName(locale.month_names, locale.month_abbreviations, p.month, count, out);
      break;
    case u'E':
    case u'c':
    case u'e': AppendName(locale.day_names, locale.day_abbreviations, p.weekday, count, out); break;
    case u'a': out += p.hour < 12 ? locale.am_designator : locale.pm_designator; break;
    default: break;  // eras, zones and the like have no place in a label's date
  }
}

}  // namespace

void AppendGeneralDate(Date date, const DateParts& parts, const LocaleData& locale,
                       std::u16string& out) {
  if (IsTimeOnly(date)) {
    AppendDatePattern(locale.medium_time_pattern, parts, locale, out);
    return;
  }
  AppendDatePattern(locale.short_date_pattern, parts, locale, out);
  if (!IsMidnight(date)) {
    out.push_back(u' ');
    AppendDatePattern(locale.medium_time_pattern, parts, locale, out);
  }
}

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
