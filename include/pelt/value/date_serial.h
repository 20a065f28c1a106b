#pragma once

#include <cstdint>
#include <optional>

#include "pelt/value/variant.h"

namespace pelt::value {

// A date split into its calendar and clock parts (proleptic Gregorian).
struct DateParts {
  std::int32_t year = 1899;
  std::int32_t month = 12;  // 1..12
  std::int32_t day = 30;    // 1..31
  std::int32_t hour = 0;
  std::int32_t minute = 0;
  std::int32_t second = 0;
  std::int32_t weekday = 7;        // 1 = Sunday … 7 = Saturday
  std::int32_t day_of_year = 364;  // 1-based
};

// Serial dates cover the years 100 to 9999, as the classic serial dates do.
constexpr double kMinDateSerial = -657434.0;          // 1 January 100
constexpr double kMaxDateSerial = 2958465.999988426;  // 31 December 9999 23:59:59

// Splits a serial into its parts, rounding the time to the nearest second.
// nullopt outside the supported range or for NaN.
std::optional<DateParts> SplitDate(Date date);

// The serial of a calendar date and time of day; nullopt for an invalid date
// (month 13, 30 February …) or one outside the supported range.
std::optional<Date> MakeDate(std::int32_t year, std::int32_t month, std::int32_t day,
                             std::int32_t hour = 0, std::int32_t minute = 0,
                             std::int32_t second = 0);

// True when the serial has no date part (0 <= serial < 1): a time alone.
bool IsTimeOnly(Date date);
// True when the time of day rounds to 00:00:00.
bool IsMidnight(Date date);

}  // namespace pelt::value
