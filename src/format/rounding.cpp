#include "rounding.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "value/float_chars.h"

namespace pelt::format::internal {

using value::Currency;
namespace float_chars = value::internal::float_chars;

namespace {

void StripTrailingZeros(Decimal& d) {
  while (d.count > 0 && d.digits[static_cast<std::size_t>(d.count - 1)] == '0') --d.count;
  if (d.count == 0) {
    d.point = 0;
    d.negative = false;
  }
}

// Appends ASCII digits (which may have leading zeros) as the significant
// digits of d.
void SetDigits(Decimal& d, const char* begin, const char* end, int point) {
  while (begin != end && *begin == '0') {
    ++begin;
    --point;
  }
  d.count = 0;
  for (; begin != end && d.count < Decimal::kCapacity; ++begin) {
    d.digits[static_cast<std::size_t>(d.count++)] = *begin;
  }
  d.point = point;
  StripTrailingZeros(d);
}

Decimal FromMagnitude(bool negative, std::uint64_t magnitude, int fraction_digits) {
  Decimal d;
  if (magnitude == 0) return d;
  char buffer[20];
  char* const end = buffer + sizeof buffer;
  char* first = end;
  // Ten divides in 32 bits once the magnitude fits: a 64-bit division has
  // no quick form in WebAssembly, and most values labelled fit.
  for (; magnitude > UINT32_MAX; magnitude /= 10) *--first = static_cast<char>('0' + magnitude % 10);
  for (auto small = static_cast<std::uint32_t>(magnitude); small != 0; small /= 10) {
    *--first = static_cast<char>('0' + small % 10);
  }
  char* last = end;
  while (last[-1] == '0') --last;  // trailing zeros are not stored; a digit is not zero
  d.negative = negative;
  d.count = static_cast<int>(last - first);
  std::copy(first, last, d.digits.begin());
  d.point = static_cast<int>(end - first) - fraction_digits;
  return d;
}

// Keeps the first `keep` significant digits and rounds by what follows.
void RoundAt(Decimal& d, int keep, RoundingMode mode) {
  if (keep >= d.count) return;
  if (keep < 0) {  // even the first digit lies below half a unit of the last place kept
    d.count = 0;
    StripTrailingZeros(d);
    return;
  }
  const char first_dropped = d.digits[static_cast<std::size_t>(keep)];
  bool up = first_dropped >= '5';
  if (mode == RoundingMode::kHalfEven && first_dropped == '5' && keep + 1 == d.count) {
    // An exact tie (no trailing zeros are stored): go to the even neighbour.
    const int last_kept = keep > 0 ? d.digits[static_cast<std::size_t>(keep - 1)] - '0' : 0;
    up = last_kept % 2 == 1;
  }
  d.count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
      d.digits[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.digits[static_cast<std::size_t>(i)];
    } else {  // 999.5 → 1000: one digit more in front
      d.digits[0] = '1';
      d.count = 1;
      ++d.point;
    }
  }
  StripTrailingZeros(d);
}

}  // namespace

Decimal DecimalFromDouble(double v) {
  Decimal d;
  if (v == 0.0) return d;
  d.negative = v < 0;
  const value::internal::DecimalDigits digits = float_chars::Digits15(v < 0 ? -v : v);
  SetDigits(d, digits.digits, digits.digits + digits.count, digits.exponent + 1);
  return d;
}

Decimal DecimalFromInteger(std::int64_t v) {
  const bool negative = v < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  return FromMagnitude(negative, magnitude, 0);
}

Decimal DecimalFromCurrency(Currency c) {
  const bool negative = c.scaled < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(c.scaled) : static_cast<std::uint64_t>(c.scaled);
  return FromMagnitude(negative, magnitude, 4);
}

void RoundDecimal(Decimal& d, int fraction_digits, RoundingMode mode) {
  if (d.IsZero()) return;
  // In 64 bits: a shifted point plus a long picture's decimals must not wrap.
  const long long keep = static_cast<long long>(d.point) + fraction_digits;
  RoundAt(d, keep > d.count ? d.count : (keep < -1 ? -1 : static_cast<int>(keep)), mode);
}

std::string DecimalToAscii(const Decimal& d) {
  std::string out;
  if (d.IsZero()) return "0";
  if (d.negative) out.push_back('-');
  if (d.point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.point), '0');
    out.append(d.digits.data(), static_cast<std::size_t>(d.count));
    return out;
  }
  for (int i = 0; i < d.point; ++i) out.push_back(d.DigitAt(i));
  if (d.count > d.point) {
    out.push_back('.');
    out.append(d.digits.data() + d.point, static_cast<std::size_t>(d.count - d.point));
  }
  return out;
}

double DecimalToDouble(const Decimal& d) {
  if (d.IsZero()) return 0.0;
  char buffer[64];
  char* p = buffer;
  if (d.negative) *p++ = '-';
  *p++ = '0';
  *p++ = '.';
  for (int i = 0; i < d.count; ++i) *p++ = d.digits[static_cast<std::size_t>(i)];
  *p++ = 'e';
  p = std::to_chars(p, buffer + sizeof buffer, d.point).ptr;
  double value = 0.0;
  const auto result = float_chars::ParseDouble(buffer, p, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Beyond the double range only far from the digits we get from doubles.
    return d.point > 0 ? (d.negative ? -HUGE_VAL : HUGE_VAL) : (d.negative ? -0.0 : 0.0);
  }
  return value;
}

}  // namespace pelt::format::internal
