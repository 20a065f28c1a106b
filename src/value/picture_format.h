#pragma once

#include <string>

#include "picture.h"
#include "pelt/value/error_code.h"
#include "pelt/value/locale.h"
#include "pelt/value/variant.h"

namespace pelt::value::internal {

// Appends the value formatted by a compiled picture. Sets is_null (and
// appends nothing) when the result is null rather than text. kOverflow when
// a date picture meets a value outside the calendar.
ErrorCode AppendFormatted(const Variant& value, const CompiledPicture& picture,
                          const LocaleData& locale, std::u16string& out, bool& is_null);

}  // namespace pelt::value::internal
