#pragma once

#include <cstddef>
#include <string_view>

#include "pelt/language/token_list.h"
#include "pelt/value/locale.h"
#include "pelt/value/variant.h"

namespace pelt::evaluator {

// The longest text, in UTF-16 code units (16 Mi), that one formatting
// statement may make and that a whole label may have: a longer one would
// let one expression exhaust the host's memory.
inline constexpr std::size_t kMaxTextLength = std::size_t{16} << 20;

// Applies one formatting function to a value: on success the value is
// overwritten with the new one, which is also the result. A function that
// does not apply to the value (a numeric-only function on text, a text
// function on null) or that fails (a negative count, an overflow …) leaves
// the value as it came in; so does one whose result would be longer than
// kMaxTextLength. Never throws.
value::Variant ApplyFormat(value::Variant& value, language::StatementId function,
                           const language::Argument& first, const language::Argument& second,
                           const value::LocaleData& locale);

// The same without the copy of the result, for callers that keep only value.
void ApplyFormatInPlace(value::Variant& value, language::StatementId function,
                        const language::Argument& first, const language::Argument& second,
                        const value::LocaleData& locale);

// ApplyFormatInPlace on a copy of value, made into out (another object):
// what Format and FormatNumber make is written into out's own text, whose
// storage is kept when out held text already, so that a label made row
// after row allocates nothing for it.
void ApplyFormatTo(const value::Variant& value, language::StatementId function,
                   const language::Argument& first, const language::Argument& second,
                   const value::LocaleData& locale, value::Variant& out);

// The same, with the function given by name, matched case-insensitively
// against the statement names ("NONE" and unknown names match none).
value::Variant ApplyFormat(value::Variant& value, std::u16string_view function,
                           const language::Argument& first, const language::Argument& second,
                           const value::LocaleData& locale);

// True when the function shows an amount in the locale's currency:
// FormatCurrency, and Format with the named format "Currency".
bool UsesLocaleCurrency(language::StatementId function, const language::Argument& first);

}  // namespace pelt::evaluator
