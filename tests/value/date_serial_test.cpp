#include "pelt/value/date_serial.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelt::value {
namespace {

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
      {__LINE__, 1900, 3, 1, 0, 0, 0, 61.0, 5, 60},  // no phantom 29 February 1900
      {__LINE__, 2000, 12, 31, 0, 0, 0, 36891.0, 1, 366},
      {__LINE__, 2026, 1, 5, 13, 4, 9, 46027.0 + (13 * 3600 + 4 * 60 + 9) / 86400.0, 2, 5},
      {__LINE__, 1899, 12, 29, 6, 0, 0, -1.25, 6, 363},
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
    EXPECT_EQ(parts->year, row.year);
    EXPECT_EQ(parts->month, row.month);
    EXPECT_EQ(parts->day, row.day);
    EXPECT_EQ(parts->hour, row.hour);
    EXPECT_EQ(parts->minute, row.minute);
    EXPECT_EQ(parts->second, row.second);
    EXPECT_EQ(parts->weekday, row.weekday);
    EXPECT_EQ(parts->day_of_year, row.day_of_year);
  }
}

TEST(DateSerialTest, RefusesImpossibleDates) {
  EXPECT_FALSE(MakeDate(2025, 2, 29));
  EXPECT_TRUE(MakeDate(2024, 2, 29));
  EXPECT_FALSE(MakeDate(2026, 13, 1));
  EXPECT_FALSE(MakeDate(2026, 4, 31));
  EXPECT_FALSE(MakeDate(99, 12, 31));
  EXPECT_FALSE(MakeDate(10000, 1, 1));
  EXPECT_FALSE(MakeDate(2026, 1, 1, 24));
  EXPECT_FALSE(SplitDate(Date{1e300}));
  EXPECT_FALSE(SplitDate(Date{std::nan("")}));
}

TEST(DateSerialTest, TimeRoundsToTheSecondAcrossMidnight) {
  const std::optional<DateParts> parts = SplitDate(Date{1.0 - 0.2 / 86400.0});
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->day, 31);  // 23:59:59.8 rounds into the next day
  EXPECT_EQ(parts->hour, 0);
  EXPECT_TRUE(IsMidnight(Date{2.0}));
  EXPECT_FALSE(IsMidnight(Date{2.5}));
  EXPECT_TRUE(IsTimeOnly(Date{0.5}));
  EXPECT_FALSE(IsTimeOnly(Date{1.0}));
}

}  // namespace
}  // namespace pelt::value
