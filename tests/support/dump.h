#pragma once

#include <string>

#include "pelt/language/token_list.h"
#include "pelt/value/variant.h"

namespace pelt::testing {

// Compact, readable dumps for comparing results in table-driven tests. All
// return UTF-8 so that gtest prints them legibly.

// "Double:2.5", "String:abc", "Null", "Date:46027.5" …
std::string Dump(const value::Variant& v);

// Tokens joined by "|": Field{NAME}.UCase.Left(2) | Text{ } | Word{DATE}.
// A field's NONE entry is not shown; arguments in parentheses, text ones
// quoted as written.
std::string Dump(const language::TokenList& tokens);
std::string Dump(const language::FormatList& formats);

// UTF-8 of a UTF-16 string, for EXPECT_EQ messages.
std::string U8(std::u16string_view text);

}  // namespace pelt::testing
