#pragma once

#include <string_view>

#include "pelt/language/token_list.h"
#include "pelt/value/locale.h"
#include "pelt/value/variant.h"

namespace pelt::evaluator {

// Applies one formatting function to a value: on success the value is
// overwritten with the new one, which is also the result. A function that
// does not apply to the value (a numeric-only function on text, a text
// function on null) or that fails (a negative count, an overflow …) leaves
// the value as it came in. Never throws.
value::Variant ApplyFormat(value::Variant& value, language::StatementId function,
                           const language::Argument& first, const language::Argument& second,
                           const value::LocaleData& locale);

// The same, with the function given by name, matched case-insensitively
// against the statement names ("NONE" and unknown names match none).
value::Variant ApplyFormat(value::Variant& value, std::u16string_view function,
                           const language::Argument& first, const language::Argument& second,
                           const value::LocaleData& locale);

}  // namespace pelt::evaluator
