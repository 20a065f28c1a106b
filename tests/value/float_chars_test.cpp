// The portable conversions (fast_float and fmt, used where the standard
// library lacks floating-point to_chars/from_chars) against the standard
// library's, on the same doubles and texts: labels must not depend on which
// set a build uses.
#define PELT_FLOAT_CHARS_BOTH
#include "value/float_chars.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace pelt::value::internal {
namespace {

namespace std_set = std_chars;
namespace portable_set = portable_chars;

std::vector<double> Doubles() {
  using limits = std::numeric_limits<double>;
  std::vector<double> values = {0.0,  -0.0, 1.0,  -1.0, 0.1, 0.5, 1.5, 2.5, 0.125, 1e15, 1e16,
                                1e-4, 1e-5, 123456789012345.0, 1234567890123456.0, 9.999999999999995e14,
                                0.30000000000000004, 1e308, 1e-308, 5e-324, 1e22, 1e23,
                                limits::max(), limits::min(), limits::denorm_min(), limits::epsilon(),
                                99.995, 1234.5, 0.045, 2.675, 1.005, 1e100, 4.35, 8.5e-7,
                                // shortest digits that are a 15-digit midpoint
                                1.000000000000005, 0.3000000000000005, 123456789.0123455};
  std::mt19937_64 random(20241207);
  // Any bit pattern (wide exponents, subnormals), and values that look like
  // what tables hold: decimals with few digits, at every magnitude.
  for (int i = 0; i < 20000; ++i) {
    const double any = std::bit_cast<double>(random());
    if (std::isfinite(any)) values.push_back(any);
    const auto cents = static_cast<std::int64_t>(random() % 100000000000) - 50000000000;
    values.push_back(static_cast<double>(cents) / 100.0);
    values.push_back(static_cast<double>(cents) * std::pow(10.0, static_cast<int>(random() % 40) - 20));
  }
  return values;
}

std::string Text(char* (*write)(char*, char*, double), double v) {
  char buffer[64];
  return std::string(buffer, write(buffer, buffer + sizeof buffer, v));
}

std::string Text(char* (*write)(char*, char*, double, int), double v, int precision) {
  char buffer[400];
  return std::string(buffer, write(buffer, buffer + sizeof buffer, v, precision));
}

TEST(FloatCharsTest, PortableFormattingWritesTheStandardText) {
  for (const double v : Doubles()) {
    SCOPED_TRACE(Text(std_set::ShortestScientific, v));
    ASSERT_EQ(Text(portable_set::ShortestScientific, v), Text(std_set::ShortestScientific, v));
    for (const int precision : {1, 6, 15, 17}) {
      ASSERT_EQ(Text(portable_set::General, v, precision), Text(std_set::General, v, precision));
    }
    for (const int precision : {0, 2, 14, 20}) {
      ASSERT_EQ(Text(portable_set::Scientific, v, precision),
                Text(std_set::Scientific, v, precision));
    }
    if (v != 0.0) {
      const DecimalDigits expected = std_set::Digits15(std::fabs(v));
      const DecimalDigits got = portable_set::Digits15(std::fabs(v));
      ASSERT_EQ(std::string(got.digits, static_cast<std::size_t>(got.count)),
                std::string(expected.digits, static_cast<std::size_t>(expected.count)));
      ASSERT_EQ(got.exponent, expected.exponent);
    }
  }
}

void ExpectSameParse(std::string_view text) {
  SCOPED_TRACE(std::string(text));
  double std_value = -7.0;
  double portable_value = -7.0;
  const auto expected = std_set::ParseDouble(text.data(), text.data() + text.size(), std_value);
  const auto got = portable_set::ParseDouble(text.data(), text.data() + text.size(), portable_value);
  ASSERT_EQ(got.ec, expected.ec);
  ASSERT_EQ(got.ptr - text.data(), expected.ptr - text.data());
  if (expected.ec == std::errc() && !std::isnan(std_value)) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(portable_value), std::bit_cast<std::uint64_t>(std_value));
  }
}

TEST(FloatCharsTest, PortableParsingReadsTheStandardDouble) {
  for (const char* text : {"", "-", "+1", "1", "-0", "0.0e0", ".5", "5.", "1e", "1e+", "1e5x",
                           "12abc", "  1", "inf", "-infinity", "nan", "NaN(1)", "1e309", "-1e309",
                           "1e-400", "-1e-400", "2e-324", "3e-324", "4.9e-324", "2.2250738585072011e-308",
                           "0e999", "0.000e-999", "1.7976931348623158e308", "1.7976931348623159e308",
                           "123456789012345678901234567890", "0.1e-1", "9007199254740993",
                           "0.0000000000000000000000000000001e31"}) {
    ExpectSameParse(text);
  }
  for (const double v : Doubles()) {
    ExpectSameParse(Text(std_set::ShortestScientific, v));
    ExpectSameParse(Text(std_set::General, v, 15));
    ExpectSameParse(Text(std_set::Scientific, v, 20));
  }
}

}  // namespace
}  // namespace pelt::value::internal
