#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pelt/value/variant.h"

namespace pelt::value {

// Reads a value written with its type, independent of any locale:
//   num:1234.5 (Double; also inf, -inf, nan)   int:42 (Integer, or Long
//   beyond 16 bits)   cur:12.34 (Currency, at most four decimals)
//   date:2026-01-05   date:2026-01-05T13:04:09   time:13:04:09
//   str:any text (UTF-8)   bool:true | bool:false   null:   empty:
// nullopt for anything else, and for numbers, dates and times that do not
// exist or do not fit their type.
std::optional<Variant> ParseTypedLiteral(std::string_view text);

// The typed literal text most likely stands for when ParseTypedLiteral
// refuses it for want of a type: text that reads as a number, a date, a
// time or a Boolean with that type (1234.5 gives num:1234.5, 2026-01-05
// date:2026-01-05), other text as str:; a misspelt type corrected (nmu:1
// gives num:1). nullopt when text names a type and only its value is amiss.
std::optional<std::string> SuggestTypedLiteral(std::string_view text);

}  // namespace pelt::value
