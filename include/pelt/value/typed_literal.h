#pragma once

#include <optional>
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

}  // namespace pelt::value
