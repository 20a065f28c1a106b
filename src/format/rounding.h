#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pelt/value/variant.h"

namespace pelt::format::internal {

enum class RoundingMode {
  kHalfAwayFromZero,  // what pictures, FormatNumber and FormatCurrency show
  kHalfEven,          // what Round returns
};

// A decimal number as the digits a user reads: value = 0.d1 d2 … dn × 10^point,
// sign apart. Digits are ASCII without leading or trailing zeros, so zero has
// no digits. Every rounding works on this form rather than on the binary
// double, so 2.675 is the tie it looks like.
struct Decimal {
  static constexpr int kCapacity = 24;  // 19 digits of currency, one carry, spare
  std::array<char, kCapacity> digits{};
  int count = 0;
  int point = 0;
  bool negative = false;

  bool IsZero() const { return count == 0; }
  // The digit at 0-based index i counted from the first significant digit;
  // '0' past the last one.
  char DigitAt(int i) const {
    return i >= 0 && i < count ? digits[static_cast<std::size_t>(i)] : '0';
  }
  // The digit in the 10^place column (0 = units, -1 = tenths …).
  char DigitAtPlace(int place) const { return DigitAt(point - 1 - place); }
  // Multiplies by 10^places.
  void Shift(int places) {
    if (count != 0) point += places;
  }
};

// The shortest decimal form with at most 15 significant digits of a finite
// double (the caller rules out NaN and the infinities).
Decimal DecimalFromDouble(double d);
Decimal DecimalFromInteger(std::int64_t v);
Decimal DecimalFromCurrency(value::Currency c);

// Rounds to the given number of fraction digits (negative rounds to tens,
// hundreds …). A result of zero loses its sign.
void RoundDecimal(Decimal& d, int fraction_digits, RoundingMode mode);

// The nearest double.
double DecimalToDouble(const Decimal& d);

// Plain ASCII form, "-1234.5", "0.001", "0": what ICU reads as a decimal.
std::string DecimalToAscii(const Decimal& d);

}  // namespace pelt::format::internal
