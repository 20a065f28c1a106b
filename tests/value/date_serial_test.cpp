// Serial dates against the calendar, both ways. Invalid dates and times are
// refused through the typed literals of tests/data/format/literals.txt; the
// date pictures of dates.txt show the parts of many more serials.
#include "pelt/value/date_serial.h"

#include <gtest/gtest.h>

#include <array>

namespace pelt::value {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

TEST(DateSerialTest, SerialsMatchTheCalendar) {
  struct Row {
    int line;
    int year, month, day, hour, minute, second;
    double serial;
    int weekday;  // 1 = Sunday
    int day_of_year;
  } rows[] = {
      {__LINE__, 1899, 12, 30, 0, 0, 0, 0.0, 7, 364},
      {__LINE__, 1899, 12, 31, 0, 0, 0, 1.0, 1, 365},
      {__LINE__, 1900, 2, 28, 12, 59, 59, 60.0 + (12 * 3600 + 59 * 60 + 59) * kSecond, 4, 59},
      {__LINE__, 1900, 3, 1, 0, 0, 0, 61.0, 5, 60},  // no phantom 29 February 1900
      {__LINE__, 1999, 12, 31, 23, 59, 59, 36526.0 - kSecond, 6, 365},
      {__LINE__, 2000, 2, 29, 23, 59, 59, 36586.0 - kSecond, 3, 60},  // divisible by 400
      {__LINE__, 2000, 3, 1, 0, 0, 0, 36586.0, 4, 61},
      {__LINE__, 2000, 12, 31, 0, 0, 0, 36891.0, 1, 366},
      {__LINE__, 2100, 3, 1, 0, 0, 59, 73110.0 + 59 * kSecond, 2, 60},
      {__LINE__, 2400, 12, 31, 0, 59, 0, 182988.0 + 59 * 60 * kSecond, 1, 366},
      {__LINE__, 2026, 1, 5, 13, 4, 9, 46027.0 + (13 * 3600 + 4 * 60 + 9) * kSecond, 2, 5},
      {__LINE__, 1899, 12, 29, 6, 0, 0, -1.25, 6, 363},
      {__LINE__, 1600, 2, 29, 0, 0, 59, -109512.0 - 59 * kSecond, 3, 60},
      {__LINE__, 100, 1, 1, 0, 0, 0, kMinDateSerial, 6, 1},
      {__LINE__, 9999, 12, 31, 23, 59, 59, kMaxDateSerial, 6, 365},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::optional<Date> made =
        MakeDate(row.year, row.month, row.day, row.hour, row.minute, row.second);
    ASSERT_TRUE(made.has_value());
    EXPECT_NEAR(made->serial, row.serial, 1e-9);
    const std::optional<DateParts> parts = SplitDate(*made);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ((std::array{parts->year, parts->month, parts->day, parts->hour, parts->minute,
                          parts->second, parts->weekday, parts->day_of_year}),
              (std::array{row.year, row.month, row.day, row.hour, row.minute, row.second,
                          row.weekday, row.day_of_year}));
  }
}

}  // namespace
}  // namespace pelt::value
