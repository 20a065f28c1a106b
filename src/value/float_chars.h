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

}  // namespace std_chars
#endif

#if defined(PELT_FLOAT_CHARS_PORTABLE)
namespace portable_chars {

namespace detail {

inline char* AppendExponent(char* p, int exponent) {
  *p++ = 'e';
  *p++ = exponent < 0 ? '-' : '+';
  unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  if (magnitude >= 100) *p++ = static_cast<char>('0' + magnitude / 100);
  *p++ = static_cast<char>('0' + magnitude / 10 % 10);
  *p++ = static_cast<char>('0' + magnitude % 10);
  return p;
}

}  // namespace detail

// At most 24 characters: the buffer is never short.
inline char* ShortestScientific(char* first, char* /*last*/, double v) {
  char* p = first;
  if (std::signbit(v)) *p++ = '-';
  const double magnitude = std::fabs(v);
  if (magnitude == 0.0) {
    *p++ = '0';
    return detail::AppendExponent(p, 0);
  }
  const auto decimal = fmt::detail::dragonbox::to_decimal(magnitude);
  char digits[20] = {};
  const auto end = std::to_chars(digits, digits + sizeof digits, decimal.significand).ptr;
  const int count = static_cast<int>(end - digits);
  *p++ = digits[0];
  if (count > 1) {
    *p++ = '.';
    for (int i = 1; i < count; ++i) *p++ = digits[i];
  }
  return detail::AppendExponent(p, decimal.exponent + count - 1);
}

inline char* General(char* first, char* last, double v, int precision) {
  const auto size = static_cast<std::size_t>(last - first);
  return fmt::format_to_n(first, size, FMT_COMPILE("{:.{}g}"), v, precision).out;
}

inline char* Scientific(char* first, char* last, double v, int precision) {
  const auto size = static_cast<std::size_t>(last - first);
  return fmt::format_to_n(first, size, FMT_COMPILE("{:.{}e}"), v, precision).out;
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
