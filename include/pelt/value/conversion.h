#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pelt/value/error_code.h"
#include "pelt/value/locale.h"
#include "pelt/value/variant.h"

namespace pelt::value {

// A converted value or the error that stopped the conversion.
template <class T>
struct Converted {
  T value{};
  ErrorCode error = ErrorCode::kNone;
  bool ok() const { return error == ErrorCode::kNone; }
};

// Reads text as a number in the given locale: surrounding blanks, a leading
// sign, the locale's decimal separator, its group separator between integer
// digits and an exponent (E or e, optional sign) are accepted. The empty text,
// blanks only, letters and a lone sign are not numbers (kTypeMismatch); a
// number beyond the double range is kOverflow.
Converted<double> ParseNumber(std::u16string_view text, const LocaleData& locale);
bool IsNumericText(std::u16string_view text, const LocaleData& locale);

// True for numbers and for text that ParseNumber accepts; null and empty are
// not numeric, dates are not numeric.
bool IsNumeric(const Variant& v, const LocaleData& locale);

// Numeric value of a variant: numbers as they are (True is -1), numeric text
// through ParseNumber, empty as 0, dates as their serial. Null is
// kInvalidUseOfNull, other text kTypeMismatch.
Converted<double> ToDouble(const Variant& v, const LocaleData& locale);

// Rounds half to even to a whole number and checks the range: kOverflow
// rather than a wrapped value.
Converted<std::int16_t> ToInteger(const Variant& v, const LocaleData& locale);
Converted<std::int32_t> ToLong(const Variant& v, const LocaleData& locale);
Converted<std::int32_t> DoubleToLong(double d);

// The text form of a value in the locale, appended to out: numbers in their
// shortest form with at most 15 significant digits, the locale's decimal
// separator and no grouping (exponent form "1E+16", "1.5E-07" from 1E+15 up
// and below 1E-04); currency with at most four decimals; Booleans "True" and
// "False"; dates as the short date with a four-digit year, followed by the
// time when it is not midnight (a time without a date gives the time alone);
// text unchanged; empty as "". Null has no text form: kInvalidUseOfNull and
// nothing appended.
ErrorCode AppendText(const Variant& v, const LocaleData& locale, std::u16string& out);
Converted<std::u16string> ToText(const Variant& v, const LocaleData& locale);

// The text form of a double alone (see AppendText).
void AppendDouble(double d, const LocaleData& locale, std::u16string& out);

}  // namespace pelt::value
