#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pelt/value/conversion.h"
#include "pelt/value/locale.h"
#include "pelt/value/variant.h"

namespace pelt::format {

namespace internal {
struct CompiledPicture;
}

// A format picture parsed once, to be applied to any number of values from
// any number of threads. Every text is a valid picture: characters without a
// meaning print as themselves.
class Picture {
 public:
  // The empty picture (a value's text form).
  Picture();
  explicit Picture(std::u16string_view picture);

  const internal::CompiledPicture& compiled() const { return *compiled_; }

 private:
  std::shared_ptr<const internal::CompiledPicture> compiled_;
};

// The value formatted by the picture, in the locale:
// - numbers, Booleans (True is -1), dates (their serial) and numeric text go
//   through number pictures; numbers and numeric text are also read as dates
//   by date pictures; text that is not numeric comes back unchanged from a
//   number or date picture;
// - text pictures (@ and &) format the value's text form;
// - null takes the fourth section of a number or date picture and the second
//   of a text picture, and otherwise stays null (the result is then null);
// - the empty picture gives the value's text form; a named format ("Fixed",
//   "Long Date" …, any case) gives its own form.
// Never fails for a picture; a date outside the years 100 to 9999 is
// kOverflow.
value::Converted<value::Variant> Format(const value::Variant& value, std::u16string_view picture,
                                        const value::LocaleData& locale);
value::Converted<value::Variant> Format(const value::Variant& value, const Picture& picture,
                                        const value::LocaleData& locale);

// A numeric value (a number, or text that reads as one; Booleans count -1
// and 0) with exactly `decimals` decimals, a tie rounded away from zero, with
// the locale's grouping, leading zero and negative form. decimals = -1 means
// the locale's default of 2. Other negative counts and counts above 99 are
// kInvalidProcedureCall; null is kInvalidUseOfNull; a value that is not
// numeric is kTypeMismatch.
value::Converted<std::u16string> FormatNumber(const value::Variant& value, int decimals,
                                              const value::LocaleData& locale);

// Format and FormatNumber into out (not value itself), with the same
// outcomes: a text result is written into out's own text, whose storage is
// kept when out held text already, so that labels made row after row
// allocate nothing for it. On an error out holds no result.
value::ErrorCode FormatInto(const value::Variant& value, std::u16string_view picture,
                            const value::LocaleData& locale, value::Variant& out);
value::ErrorCode FormatNumberInto(const value::Variant& value, int decimals,
                                  const value::LocaleData& locale, value::Variant& out);

// A numeric value as an amount of the locale's currency: its symbol and
// placement, its own number of decimals (0 for yen), a tie rounded away from
// zero. Errors as FormatNumber.
value::Converted<std::u16string> FormatCurrency(const value::Variant& value,
                                                const value::LocaleData& locale);

// A numeric value rounded to `decimals` decimals, a tie going to the even
// neighbour, judged on the value's 15-digit decimal form. Integers stay as
// they are, currency stays currency, a Boolean becomes an Integer, numeric
// text becomes a Double. A negative count is kInvalidProcedureCall; errors
// otherwise as FormatNumber.
value::Converted<value::Variant> Round(const value::Variant& value, int decimals,
                                       const value::LocaleData& locale);

// Text that a date picture could not read as a date, and so showed as it
// is: the one outcome of Format that the reader of a label may not expect
// ("09.03.2024" in a locale that writes 3/9/2024). While a tally is
// installed on a thread, Format counts such texts there (blank text aside);
// without one, it costs nothing.
struct UnreadDateTexts {
  std::int64_t count = 0;
  std::u16string first;  // the first text counted
  // What the caller is formatting (a row, a feature), set as it goes: the
  // tally notes it with the first text, so that the caller need not look
  // after each value.
  std::int64_t item = -1;
  std::int64_t first_item = -1;
};

// Installs tally for the calling thread until destroyed, when the one
// installed before comes back.
class ScopedUnreadDateTexts {
 public:
  explicit ScopedUnreadDateTexts(UnreadDateTexts& tally);
  ~ScopedUnreadDateTexts();
  ScopedUnreadDateTexts(const ScopedUnreadDateTexts&) = delete;
  ScopedUnreadDateTexts& operator=(const ScopedUnreadDateTexts&) = delete;

 private:
  UnreadDateTexts* previous_;
};

// True when the picture is the named format "Currency" (any case), which
// shows an amount in the locale's currency.
bool IsCurrencyPicture(std::u16string_view picture);

}  // namespace pelt::format
