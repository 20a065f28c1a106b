#include "pelt/value/date_serial.h"

#include <cmath>

namespace pelt::value {
namespace {

// Day 0 of the serial calendar, 30 December 1899, as days since 1 March of
// year 0 in the civil-from-days algorithm below.
constexpr std::int64_t kEpochOffset = 693899;

// Days since 0000-03-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

void CivilFromDays(std::int64_t z, std::int32_t& year, std::int32_t& month, std::int32_t& day) {
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<std::int32_t>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  month = static_cast<std::int32_t>(m);
  day = static_cast<std::int32_t>(d);
}

bool IsLeap(std::int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::int32_t DaysInMonth(std::int32_t y, std::int32_t m) {
  static constexpr std::int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Splits a serial into whole days and seconds of the day. Negative serials
// keep their time as a positive fraction: -1.25 is day -1 at 06:00.
void SplitSerial(double serial, std::int64_t& days, std::int64_t& seconds) {
  const double whole = std::trunc(serial);
  const double fraction = std::fabs(serial - whole);
  days = static_cast<std::int64_t>(whole);
  seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {  // 23:59:59.6 rounds into the next day
    seconds -= 86400;
    days += serial < 0 ? -1 : 1;
  }
}

}  // namespace

std::optional<DateParts> SplitDate(Date date) {
  const double serial = date.serial;
  if (!(serial >= kMinDateSerial - 1 && serial <= kMaxDateSerial + 1)) return std::nullopt;
  std::int64_t days = 0;
  std::int64_t seconds = 0;
  SplitSerial(serial, days, seconds);
  DateParts parts;
  CivilFromDays(days + kEpochOffset, parts.year, parts.month, parts.day);
  if (parts.year < 100 || parts.year > 9999) return std::nullopt;
  parts.hour = static_cast<std::int32_t>(seconds / 3600);
  parts.minute = static_cast<std::int32_t>(seconds / 60 % 60);
  parts.second = static_cast<std::int32_t>(seconds % 60);
  // Serial 0 (30 December 1899) was a Saturday.
  const std::int64_t weekday = ((days % 7) + 7 + 6) % 7;  // 0 = Sunday
  parts.weekday = static_cast<std::int32_t>(weekday + 1);
  parts.day_of_year = static_cast<std::int32_t>(DaysFromCivil(parts.year, parts.month, parts.day) -
                                                DaysFromCivil(parts.year, 1, 1) + 1);
  return parts;
}

std::optional<Date> MakeDate(std::int32_t year, std::int32_t month, std::int32_t day,
                             std::int32_t hour, std::int32_t minute, std::int32_t second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    return std::nullopt;
  }
  const double days = static_cast<double>(DaysFromCivil(year, month, day) - kEpochOffset);
  const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  // Before the epoch the time still counts forwards within its day.
  return Date{days < 0 ? days - time : days + time};
}

bool IsTimeOnly(Date date) { return date.serial >= 0.0 && date.serial < 1.0; }

bool IsMidnight(Date date) {
  std::int64_t days = 0;
  std::int64_t seconds = 0;
  SplitSerial(date.serial, days, seconds);
  return seconds == 0;
}

}  // namespace pelt::value
