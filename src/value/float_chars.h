#pragma once

// Double <-> text conversions, shared by pelt::value and pelt::format (as
// "value/float_chars.h"), and installed with neither.
//
// The standard library's floating-point to_chars/from_chars are used where
// it has them. Where it does not (the libc++ of the WebAssembly toolchain),
// fast_float parses and fmt formats: both are exact, like the standard's,
// and unlike snprintf/strtod they need no long double arithmetic. A test
// runs both sets side by side on the native build (PELT_FLOAT_CHARS_BOTH),
// so they are known to give the same text and the same doubles.

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

#if !defined(__cpp_lib_to_chars) || defined(PELT_FLOAT_CHARS_BOTH)
#define PELT_FLOAT_CHARS_PORTABLE 1
#ifndef FMT_HEADER_ONLY
#define FMT_HEADER_ONLY
#endif
#include <fast_float/fast_float.h>
#include <fmt/compile.h>
#include <fmt/format.h>
#endif

namespace pelt::value::internal {

// A decimal of at most 20 significant digits: digits d1 d2 ... dk stand for
// d1.d2...dk * 10^exponent.
struct DecimalDigits {
  char digits[20] = {};
  int count = 0;
  int exponent = 0;
};

// The digits of scientific text, d[.ddd]e±x.
inline DecimalDigits ReadScientific(const char* first, const char* last) {
  DecimalDigits d;
  const char* e = first;
  while (e != last && *e != 'e') ++e;
  for (const char* p = first; p != e && d.count < 20; ++p) {
    if (*p != '.') d.digits[d.count++] = *p;
  }
  if (e != last) std::from_chars(e + 1 + (e + 1 != last && e[1] == '+' ? 1 : 0), last, d.exponent);
  return d;
}

#if defined(__cpp_lib_to_chars)
namespace std_chars {

// The shortest digits that read back as v, as d.ddde±dd.
inline char* ShortestScientific(char* first, char* last, double v) {
  return std::to_chars(first, last, v, std::chars_format::scientific).ptr;
}

// printf's %.<precision>g.
inline char* General(char* first, char* last, double v, int precision) {
  return std::to_chars(first, last, v, std::chars_format::general, precision).ptr;
}

// printf's %.<precision>e.
inline char* Scientific(char* first, char* last, double v, int precision) {
  return std::to_chars(first, last, v, std::chars_format::scientific, precision).ptr;
}

// A decimal number (as from_chars reads it); errc::result_out_of_range when
// it overflows or underflows to zero.
inline std::from_chars_result ParseDouble(const char* first, const char* last, double& value) {
  return std::from_chars(first, last, value);
}

// The digits of a positive finite double correctly rounded to 15
// significant digits (fewer when fewer give it exactly).
inline DecimalDigits Digits15(double magnitude) {
  // The shortest form that reads back as the same double is much cheaper to
  // get. When it has at most 15 significant digits it is also the correctly
  // rounded 15-digit form: a normal double's spacing is below a fifth of the
  // spacing of 15-digit decimals, so no other 15-digit decimal lies as close.
  // Subnormal doubles are coarser and always take the long way.
  char buffer[40];
  const char* end = ShortestScientific(buffer, buffer + sizeof buffer, magnitude);
  int significant = 0;
  for (const char* p = buffer; p != end && *p != 'e'; ++p) {
    if (*p != '.') ++significant;
  }
  if (significant > 15 || magnitude < std::numeric_limits<double>::min()) {
    end = Scientific(buffer, buffer + sizeof buffer, magnitude, 14);
  }
  return ReadScientific(buffer, end);
}

}  // namespace std_chars
#endif

#if defined(PELT_FLOAT_CHARS_PORTABLE)
namespace portable_chars {

namespace detail {

using Digits = DecimalDigits;

// The shortest decimal digits that read back as a positive finite double.
inline Digits Shortest(double magnitude) {
  const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
  Digits d;
  const char* end = std::to_chars(d.digits, d.digits + sizeof d.digits, decimal.significand).ptr;
  d.count = static_cast<int>(end - d.digits);
  d.exponent = decimal.exponent + d.count - 1;
  return d;
}

// The shortest digits rounded to `significant` digits, as the exact value
// rounds: false when that cannot be told from them. No decimal shorter than
// the shortest lies in the double's rounding interval, so the exact value
// and the shortest digits round alike unless the digits are themselves
// the midpoint (one more digit than wanted, the last a 5).
inline bool RoundShortest(Digits& d, int significant) {
  if (d.count <= significant) return true;
  if (d.count == significant + 1 && d.digits[significant] == '5') return false;
  const bool up = d.digits[significant] >= '5';
  d.count = significant;
  if (up) {
    int i = significant - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits[0] = '1';
      ++d.exponent;
    }
  }
  return true;
}

inline bool IsNormal(double magnitude) {
  return magnitude >= std::numeric_limits<double>::min() &&
         magnitude <= std::numeric_limits<double>::max();
}

inline char* AppendExponent(char* p, int exponent) {
  *p++ = 'e';
  *p++ = exponent < 0 ? '-' : '+';
  unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  if (magnitude >= 100) *p++ = static_cast<char>('0' + magnitude / 100);
  *p++ = static_cast<char>('0' + magnitude / 10 % 10);
  *p++ = static_cast<char>('0' + magnitude % 10);
  return p;
}

// d1[.d2...dk]e±xx, the digits padded with zeros to `count` when longer.
inline char* AppendScientific(char* p, const Digits& d, int count) {
  *p++ = d.digits[0];
  if (count > 1) *p++ = '.';
  for (int i = 1; i < count; ++i) *p++ = i < d.count ? d.digits[i] : '0';
  return AppendExponent(p, d.exponent);
}

}  // namespace detail

// At most 25 characters: the buffer is never short.
inline char* ShortestScientific(char* first, char* /*last*/, double v) {
  char* p = first;
  if (std::signbit(v)) *p++ = '-';
  const double magnitude = std::fabs(v);
  if (magnitude == 0.0) {
    *p++ = '0';
    return detail::AppendExponent(p, 0);
  }
  const detail::Digits d = detail::Shortest(magnitude);
  return detail::AppendScientific(p, d, d.count);
}

// Up to 15 significant digits the shortest digits of a normal double give
// the answer almost always (its spacing is below a fifth of that of
// 15-digit decimals, so no other lies as close); fmt's exact conversion,
// slow in WebAssembly, does the rest: zero, subnormals, ties, infinities.
inline char* General(char* first, char* last, double v, int precision) {
  const double magnitude = std::fabs(v);
  const int significant = precision == 0 ? 1 : precision;
  detail::Digits d;
  if (!detail::IsNormal(magnitude) || significant > 15 ||
      !detail::RoundShortest(d = detail::Shortest(magnitude), significant)) {
    const auto size = static_cast<std::size_t>(last - first);
    return fmt::format_to_n(first, size, FMT_COMPILE("{:.{}g}"), v, precision).out;
  }
  while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
  char* p = first;
  if (std::signbit(v)) *p++ = '-';
  if (d.exponent < -4 || d.exponent >= significant) return detail::AppendScientific(p, d, d.count);
  if (d.exponent < 0) {
    *p++ = '0';
    *p++ = '.';
    for (int i = -1; i > d.exponent; --i) *p++ = '0';
    for (int i = 0; i < d.count; ++i) *p++ = d.digits[i];
    return p;
  }
  for (int i = 0; i <= d.exponent; ++i) *p++ = i < d.count ? d.digits[i] : '0';
  if (d.count > d.exponent + 1) {
    *p++ = '.';
    for (int i = d.exponent + 1; i < d.count; ++i) *p++ = d.digits[i];
  }
  return p;
}

inline char* Scientific(char* first, char* last, double v, int precision) {
  const double magnitude = std::fabs(v);
  detail::Digits d;
  if (!detail::IsNormal(magnitude) || precision >= 15 ||
      !detail::RoundShortest(d = detail::Shortest(magnitude), precision + 1)) {
    const auto size = static_cast<std::size_t>(last - first);
    return fmt::format_to_n(first, size, FMT_COMPILE("{:.{}e}"), v, precision).out;
  }
  char* p = first;
  if (std::signbit(v)) *p++ = '-';
  return detail::AppendScientific(p, d, precision + 1);
}

inline DecimalDigits Digits15(double magnitude) {
  detail::Digits d;
  if (detail::IsNormal(magnitude) && detail::RoundShortest(d = detail::Shortest(magnitude), 15)) {
    return d;
  }
  char buffer[40];
  return ReadScientific(buffer, Scientific(buffer, buffer + sizeof buffer, magnitude, 14));
}

inline std::from_chars_result ParseDouble(const char* first, const char* last, double& value) {
  double parsed = 0.0;
  const auto result = fast_float::from_chars(first, last, parsed);
  if (result.ec != std::errc()) return {result.ptr, result.ec};
  // fast_float gives infinity or zero where the standard reports the range.
  bool nonzero_digit = false;
  bool letters = false;
  for (const char* p = first; p != result.ptr && *p != 'e' && *p != 'E'; ++p) {
    if (*p >= '1' && *p <= '9') nonzero_digit = true;
    if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) letters = true;
  }
  if ((std::isinf(parsed) && !letters) || (parsed == 0.0 && nonzero_digit)) {
    return {result.ptr, std::errc::result_out_of_range};
  }
  value = parsed;
  return {result.ptr, std::errc()};
}

}  // namespace portable_chars
#endif

#if defined(__cpp_lib_to_chars)
namespace float_chars = std_chars;
#else
namespace float_chars = portable_chars;
#endif

}  // namespace pelt::value::internal
