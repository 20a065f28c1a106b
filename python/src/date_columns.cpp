#include "date_columns.h"

#include <cstdio>
#include <optional>
#include <string>

#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"

namespace pelt::python {
namespace {

constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;

struct CivilDate {
  std::int64_t year;
  std::int32_t month;
  std::int32_t day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's
// civil_from_days), exact over numpy's whole range.
CivilDate CivilFromDays(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t day_of_era = days - era * 146'097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  const auto day = static_cast<std::int32_t>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  const auto month =
      static_cast<std::int32_t>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {
  const std::int64_t quotient = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}

}  // namespace

value::Variant DateValue(EpochMicroseconds moment) {
  const std::int64_t seconds = FloorDivide(moment, kMicrosecondsPerSecond);
  const std::int64_t micros = moment - seconds * kMicrosecondsPerSecond;
  const std::int64_t days = FloorDivide(seconds, kSecondsPerDay);
  const std::int64_t second_of_day = seconds - days * kSecondsPerDay;
  const CivilDate date = CivilFromDays(days);
  const auto hour = static_cast<std::int32_t>(second_of_day / 3600);
  const auto minute = static_cast<std::int32_t>(second_of_day / 60 % 60);
  const auto second = static_cast<std::int32_t>(second_of_day % 60);
  const bool fits_serial = date.year >= 100 && date.year <= 9999;
  if (fits_serial) {
    if (const std::optional<value::Date> serial = value::MakeDate(
            static_cast<std::int32_t>(date.year), date.month, date.day, hour, minute, second)) {
      // Before the zero day the time of day runs away from zero, as the
      // whole serial's sign does.
      const double fraction = static_cast<double>(micros) /
                              static_cast<double>(kMicrosecondsPerSecond * kSecondsPerDay);
      return value::Variant::FromDate(value::Date{
          serial->serial < 0.0 ? serial->serial - fraction : serial->serial + fraction});
    }
  }
  char buffer[64];
  const int length =
      std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02dT%02d:%02d:%02d",
                    static_cast<long long>(date.year), date.month, date.day, hour, minute, second);
  return value::Variant::FromText(value::FromAscii(
      std::string_view(buffer, length > 0 ? static_cast<std::size_t>(length) : 0)));
}

}  // namespace pelt::python
