#include "date_text.h"

#include <array>
#include <cstddef>
#include <ctime>
#include <vector>

#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"

namespace pelt::format::internal {

using value::Date;
using value::EqualsNoCase;
using value::LocaleData;
using value::MakeDate;

namespace {

// English names read in every locale, as the locale's own do.
constexpr std::array<std::u16string_view, 12> kEnglishMonths = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};

// Longer numbers are no part of any date; the cap keeps values in an int.
constexpr std::size_t kMaxDigits = 9;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u3000';  // U+3000: ideographic
}

bool StartsWith(std::u16string_view text, std::size_t at, std::u16string_view prefix) {
  return !prefix.empty() && text.substr(at, prefix.size()) == prefix;
}

// The characters that separate the parts of a date; their length at `at`,
// 0 for none.
std::size_t DateSeparatorAt(std::u16string_view text, std::size_t at, const LocaleData& locale) {
  if (StartsWith(text, at, locale.date_separator)) return locale.date_separator.size();
  const char16_t c = text[at];
  return IsBlank(c) || c == u'/' || c == u'-' || c == u',' ? 1 : 0;
}

enum class PartKind : std::uint8_t {
  kNumber,
  kMonth,   // value 1..12
  kMarker,  // value 1 for the afternoon
  kColon,
  kPoint,  // a point that is not the locale's date separator
  kBreak,  // a run of date separators
};

struct Part {
  PartKind kind = PartKind::kBreak;
  int value = 0;
  std::size_t digits = 0;
  std::size_t end = 0;  // where the part ends in the text
};

bool NamesMonth(std::u16string_view word, std::u16string_view name) {
  if (!name.empty() && name.back() == u'.') name.remove_suffix(1);  // "Jan." reads "Jan"
  return !name.empty() && EqualsNoCase(word, name);
}

// A month name or abbreviation (the locale's or English), or a day-half marker.
std::optional<Part> ReadWord(std::u16string_view word, const LocaleData& locale) {
  for (std::size_t m = 0; m < 12; ++m) {
    if (NamesMonth(word, locale.month_names[m]) ||
        NamesMonth(word, locale.month_abbreviations[m]) || NamesMonth(word, kEnglishMonths[m]) ||
        NamesMonth(word, kEnglishMonths[m].substr(0, 3))) {
      return Part{PartKind::kMonth, static_cast<int>(m) + 1};
    }
  }
  for (const int pm : {0, 1}) {
    const std::u16string_view designator = pm == 1 ? locale.pm_designator : locale.am_designator;
    if (EqualsNoCase(word, pm == 1 ? u"pm" : u"am") || EqualsNoCase(word, pm == 1 ? u"p" : u"a") ||
        NamesMonth(word, designator)) {
      return Part{PartKind::kMarker, pm};
    }
  }
  return std::nullopt;
}

// The text as numbers, words and separators; nullopt when it holds a word
// that is neither a month nor a marker, or a number too long for a date.
std::optional<std::vector<Part>> Split(std::u16string_view text, const LocaleData& locale) {
  std::vector<Part> parts;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = at;
    if (const std::size_t length = DateSeparatorAt(text, at, locale)) {
      at += length;
      if (parts.empty() || parts.back().kind != PartKind::kBreak) parts.push_back(Part{});
      parts.back().end = at;
      continue;
    }
    if (text[at] == u':' || text[at] == u'.') {
      parts.push_back(Part{text[at] == u':' ? PartKind::kColon : PartKind::kPoint});
      parts.back().end = ++at;
      continue;
    }
    if (IsDigit(text[at])) {
      Part number{PartKind::kNumber};
      for (; at < text.size() && IsDigit(text[at]); ++at) {
        if (++number.digits > kMaxDigits) return std::nullopt;
        number.value = number.value * 10 + (text[at] - u'0');
      }
      number.end = at;
      parts.push_back(number);
      continue;
    }
    while (at < text.size() && !IsDigit(text[at]) && text[at] != u':' && text[at] != u'.' &&
           DateSeparatorAt(text, at, locale) == 0) {
      ++at;
    }
    std::optional<Part> word = ReadWord(text.substr(start, at - start), locale);
    if (!word) return std::nullopt;
    word->end = at;
    parts.push_back(*word);
  }
  return parts;
}

struct Clock {
  bool set = false;
  int hour = 0, minute = 0, second = 0;
};

struct Ymd {
  int year = 0, month = 0, day = 0;
};

// What the parts say: the numbers and month of the date in text order, and
// the time of day.
struct Reading {
  std::vector<Part> date;
  Clock clock;
  int marker = -1;  // -1 none, 0 morning, 1 afternoon
};

bool IsNumberAt(const std::vector<Part>& parts, std::size_t i) {
  return i < parts.size() && parts[i].kind == PartKind::kNumber;
}

// h:m[:s] from parts[i]: a colon, or a point between two numbers, separates.
// Returns the index after the time, 0 when the text is no date.
std::size_t ReadClock(std::u16string_view text, const std::vector<Part>& parts, std::size_t i,
                      const LocaleData& locale, Clock& clock) {
  std::vector<int> values{parts[i].value};
  while (i + 2 < parts.size() &&
         (parts[i + 1].kind == PartKind::kColon || parts[i + 1].kind == PartKind::kPoint) &&
         IsNumberAt(parts, i + 2)) {
    i += 2;
    values.push_back(parts[i].value);
  }
  if (clock.set || values.size() < 2 || values.size() > 3) return 0;
  // Fractions of a second make the text no date.
  const std::size_t end = parts[i].end;
  for (const std::u16string_view point :
       {std::u16string_view(u"."), std::u16string_view(locale.decimal_separator)}) {
    if (StartsWith(text, end, point) && end + point.size() < text.size() &&
        IsDigit(text[end + point.size()])) {
      return 0;
    }
  }
  clock = Clock{true, values[0], values[1], values.size() > 2 ? values[2] : 0};
  return i + 1;
}

std::optional<Reading> Read(std::u16string_view text, const std::vector<Part>& parts,
                            const LocaleData& locale) {
  Reading reading;
  std::optional<std::size_t> marked;  // the date's number that the marker follows
  for (std::size_t i = 0; i < parts.size();) {
    const Part& part = parts[i];
    switch (part.kind) {
      case PartKind::kNumber:
        if (i + 1 < parts.size() &&
            (parts[i + 1].kind == PartKind::kColon ||
             (parts[i + 1].kind == PartKind::kPoint && IsNumberAt(parts, i + 2)))) {
          i = ReadClock(text, parts, i, locale, reading.clock);
          if (i == 0) return std::nullopt;
          continue;
        }
        reading.date.push_back(part);
        break;
      case PartKind::kMonth: reading.date.push_back(part); break;
      case PartKind::kMarker: {
        if (reading.marker >= 0) return std::nullopt;
        reading.marker = part.value;
        std::size_t before = i;
        while (before > 0 && parts[before - 1].kind == PartKind::kBreak) --before;
        if (before > 0 && !reading.date.empty() &&
            parts[before - 1].end == reading.date.back().end &&
            reading.date.back().kind == PartKind::kNumber) {
          marked = reading.date.size() - 1;
        }
        break;
      }
      case PartKind::kColon: return std::nullopt;
      case PartKind::kPoint:
      case PartKind::kBreak: break;
    }
    ++i;
  }
  if (reading.marker >= 0 && !reading.clock.set) {
    // A number with a marker and no clock is the hour: "7 pm".
    if (!marked || reading.date[*marked].digits > 2) return std::nullopt;
    reading.clock = Clock{true, reading.date[*marked].value, 0, 0};
    reading.date.erase(reading.date.begin() + static_cast<std::ptrdiff_t>(*marked));
  }
  Clock& clock = reading.clock;
  if (reading.marker >= 0 && clock.hour <= 12) {
    if (reading.marker == 0 && clock.hour == 12) clock.hour = 0;
    if (reading.marker == 1 && clock.hour < 12) clock.hour += 12;
  }
  return reading;
}

// Two-digit years: 00 to 29 are this century's, 30 to 99 the last one's.
int FullYear(const Part& year) {
  if (year.digits > 2) return year.value;
  return year.value < 30 ? 2000 + year.value : 1900 + year.value;
}

bool MustBeYear(const Part& p) { return p.digits >= 4 || p.value > 31; }

bool IsValid(const Ymd& d) { return MakeDate(d.year, d.month, d.day).has_value(); }

// The order of day (d), month (M) and year (y) in the locale's short date.
std::array<char16_t, 3> FieldOrder(const LocaleData& locale) {
  std::array<char16_t, 3> order{};
  std::size_t count = 0;
  bool quoted = false;
  for (char16_t c : locale.short_date_pattern) {
    if (c == u'\'') quoted = !quoted;
    if (c == u'L') c = u'M';
    if (quoted || (c != u'd' && c != u'M' && c != u'y')) continue;
    if (count < 3 && (count == 0 || order[count - 1] != c)) order[count++] = c;
  }
  const bool complete = count == 3 && order[0] != order[2];
  return complete ? order : std::array<char16_t, 3>{u'M', u'd', u'y'};
}

bool DayBeforeMonth(const LocaleData& locale) {
  for (const char16_t c : FieldOrder(locale)) {
    if (c == u'd' || c == u'M') return c == u'd';
  }
  return false;
}

// Two numbers as day and month of `year`: in the locale's order when that
// is a date, else in the other.
std::optional<Ymd> DayAndMonth(int first, int second, int year, const LocaleData& locale) {
  const bool day_first = DayBeforeMonth(locale);
  const Ymd in_order{year, day_first ? second : first, day_first ? first : second};
  if (IsValid(in_order)) return in_order;
  const Ymd swapped{year, in_order.day, in_order.month};
  if (IsValid(swapped)) return swapped;
  return std::nullopt;
}

std::optional<Ymd> TwoNumbers(const Part& a, const Part& b, int current_year,
                              const LocaleData& locale) {
  if (std::optional<Ymd> date = DayAndMonth(a.value, b.value, current_year, locale)) return date;
  // Neither order is a day and month: month and year ("2 40", "40 2").
  if (a.value >= 1 && a.value <= 12) return Ymd{FullYear(b), a.value, 1};
  if (b.value >= 1 && b.value <= 12) return Ymd{FullYear(a), b.value, 1};
  return std::nullopt;
}

std::optional<Ymd> ThreeNumbers(const std::vector<Part>& n, const LocaleData& locale) {
  if (n[0].digits == 4) return Ymd{n[0].value, n[1].value, n[2].value};
  std::size_t years = 0, year_at = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (MustBeYear(n[i])) {
      ++years;
      year_at = i;
    }
  }
  if (years > 1) return std::nullopt;
  if (years == 1) {
    const Part& first = n[year_at == 0 ? 1 : 0];
    const Part& second = n[year_at == 2 ? 1 : 2];
    return DayAndMonth(first.value, second.value, FullYear(n[year_at]), locale);
  }
  Ymd in_order;
  const std::array<char16_t, 3> order = FieldOrder(locale);
  for (std::size_t i = 0; i < 3; ++i) {
    if (order[i] == u'y') in_order.year = FullYear(n[i]);
    if (order[i] == u'M') in_order.month = n[i].value;
    if (order[i] == u'd') in_order.day = n[i].value;
  }
  if (IsValid(in_order)) return in_order;
  return Ymd{FullYear(n[0]), n[1].value, n[2].value};
}

// A month name and one or two numbers: the first that can be a day is the
// day, a number that must be a year or comes second is the year.
std::optional<Ymd> WithMonthName(int month, const std::vector<Part>& n, int current_year) {
  if (n.size() == 1) {
    if (n[0].digits <= 2 && n[0].value >= 1 && n[0].value <= 31) {
      return Ymd{current_year, month, n[0].value};
    }
    return Ymd{FullYear(n[0]), month, 1};
  }
  const bool year_first = MustBeYear(n[0]) && !MustBeYear(n[1]);
  return Ymd{FullYear(n[year_first ? 0 : 1]), month, n[year_first ? 1 : 0].value};
}

std::optional<Ymd> DateOf(const std::vector<Part>& date, const LocaleData& locale,
                          int current_year) {
  std::vector<Part> numbers;
  int month = 0;
  for (const Part& part : date) {
    if (part.kind == PartKind::kNumber) {
      numbers.push_back(part);
    } else if (month != 0) {
      return std::nullopt;  // two month names
    } else {
      month = part.value;
    }
  }
  if (month != 0) {
    if (numbers.empty() || numbers.size() > 2) return std::nullopt;
    return WithMonthName(month, numbers, current_year);
  }
  if (numbers.size() == 2) return TwoNumbers(numbers[0], numbers[1], current_year, locale);
  if (numbers.size() == 3) return ThreeNumbers(numbers, locale);
  return std::nullopt;  // a lone number is no date, nor are four
}

}  // namespace

std::optional<double> ReadTextDate(std::u16string_view text, const LocaleData& locale,
                                   int current_year) {
  const std::optional<std::vector<Part>> parts = Split(text, locale);
  if (!parts) return std::nullopt;
  const std::optional<Reading> reading = Read(text, *parts, locale);
  if (!reading || (reading->date.empty() && !reading->clock.set)) return std::nullopt;
  Ymd day{1899, 12, 30};  // a time alone
  if (!reading->date.empty()) {
    const std::optional<Ymd> date = DateOf(reading->date, locale, current_year);
    if (!date) return std::nullopt;
    day = *date;
  }
  const Clock& clock = reading->clock;
  const std::optional<Date> serial =
      MakeDate(day.year, day.month, day.day, clock.hour, clock.minute, clock.second);
  if (!serial) return std::nullopt;
  return serial->serial;
}

bool GroupsLikeADate(std::u16string_view text, const LocaleData& locale) {
  const std::u16string_view separator = locale.group_separator;
  if (separator.empty() || separator != locale.date_separator) return false;
  for (std::size_t at = text.find(separator); at != std::u16string_view::npos;
       at = text.find(separator, at + 1)) {
    std::size_t digits = 0;
    while (at + separator.size() + digits < text.size() &&
           IsDigit(text[at + separator.size() + digits])) {
      ++digits;
    }
    if (digits != 3) return true;
  }
  return false;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return 2000;  // no clock: any year serves
  return local.tm_year + 1900;
}

}  // namespace pelt::format::internal
