#include "date_section.h"

#include <optional>

#include "pelt/value/date_serial.h"
#include "value/date_pattern.h"
#include "value/digits.h"

namespace pelt::format::internal {

using value::Date;
using value::DateParts;
using value::LocaleData;
using value::SplitDate;
using value::internal::AppendDatePattern;
using value::internal::AppendGeneralDate;
using value::internal::AppendInteger;

namespace {

// Week of the year with weeks starting on Sunday, week 1 holding 1 January.
int WeekOfYear(const DateParts& p) {
  const int first_weekday = ((p.weekday - 1 - (p.day_of_year - 1)) % 7 + 7) % 7;  // 0 = Sunday
  return (p.day_of_year - 1 + first_weekday) / 7 + 1;
}

struct FieldNumber {
  int value = 0;
  int min_digits = 1;
};

// What a field that shows a number shows; nullopt for the fields that show
// names, designators or whole patterns.
std::optional<FieldNumber> NumberOf(DateField field, const DateParts& p, bool twelve_hour) {
  const int hour = twelve_hour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
  switch (field) {
    case DateField::kDay: return FieldNumber{p.day, 1};
    case DateField::kDay2: return FieldNumber{p.day, 2};
    case DateField::kWeekday: return FieldNumber{p.weekday, 1};
    case DateField::kWeekOfYear: return FieldNumber{WeekOfYear(p), 1};
    case DateField::kMonth: return FieldNumber{p.month, 1};
    case DateField::kMonth2: return FieldNumber{p.month, 2};
    case DateField::kQuarter: return FieldNumber{(p.month - 1) / 3 + 1, 1};
    case DateField::kDayOfYear: return FieldNumber{p.day_of_year, 1};
    case DateField::kYear2: return FieldNumber{p.year % 100, 2};
    case DateField::kYear4: return FieldNumber{p.year, 1};
    case DateField::kHour: return FieldNumber{hour, 1};
    case DateField::kHour2: return FieldNumber{hour, 2};
    case DateField::kMinute: return FieldNumber{p.minute, 1};
    case DateField::kMinute2: return FieldNumber{p.minute, 2};
    case DateField::kSecond: return FieldNumber{p.second, 1};
    case DateField::kSecond2: return FieldNumber{p.second, 2};
    default: return std::nullopt;
  }
}

void AppendDateField(DateField field, Date date, const DateParts& p, bool twelve_hour,
                     const LocaleData& locale, std::u16string& out) {
  if (const std::optional<FieldNumber> number = NumberOf(field, p, twelve_hour)) {
    AppendInteger(out, number->value, number->min_digits);
    return;
  }
  const auto month = static_cast<std::size_t>(p.month - 1);
  const auto weekday = static_cast<std::size_t>(p.weekday - 1);
  switch (field) {
    case DateField::kGeneralDate: AppendGeneralDate(date, p, locale, out); break;
    case DateField::kDayAbbreviation: out += locale.day_abbreviations[weekday]; break;
    case DateField::kDayName: out += locale.day_names[weekday]; break;
    case DateField::kShortDate: AppendDatePattern(locale.short_date_pattern, p, locale, out); break;
    case DateField::kLongDate: AppendDatePattern(locale.full_date_pattern, p, locale, out); break;
    case DateField::kMediumDate:
      AppendDatePattern(locale.medium_date_pattern, p, locale, out);
      break;
    case DateField::kMonthAbbreviation: out += locale.month_abbreviations[month]; break;
    case DateField::kMonthName: out += locale.month_names[month]; break;
    case DateField::kLongTime: AppendDatePattern(locale.medium_time_pattern, p, locale, out); break;
    case DateField::kAmPmLocale:
      out += p.hour < 12 ? locale.am_designator : locale.pm_designator;
      break;
    default: break;  // numbers, written above
  }
}

}  // namespace

bool AppendDateSection(const CompiledPicture& picture, const Section& s, double serial,
                       const LocaleData& locale, std::u16string& out) {
  const Date date{serial};
  const std::optional<DateParts> parts = SplitDate(date);
  if (!parts) return false;
  for (const Item& item : s.items) {
    switch (item.kind) {
      case ItemKind::kLiteral: out += picture.Text(item); break;
      case ItemKind::kDateSeparator: out += locale.date_separator; break;
      case ItemKind::kTimeSeparator: out += locale.time_separator; break;
      case ItemKind::kDateField:
        AppendDateField(item.field, date, *parts, s.twelve_hour, locale, out);
        break;
      case ItemKind::kAmPmLiteral:
        out += std::u16string_view(picture.pool)
                   .substr(parts->hour < 12 ? item.offset : static_cast<std::size_t>(item.place),
                           item.length);
        break;
      default: break;
    }
  }
  return true;
}

}  // namespace pelt::format::internal
