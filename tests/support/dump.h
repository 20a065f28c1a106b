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
// The lone NONE entry of a field without statements is not shown (a field
// with no entries at all shows "(no entries)"); arguments in parentheses,
// text ones quoted as written.
std::string Dump(const language::TokenList& tokens);
// Every entry, NONE included: ".NONE", ".UCase.Left(2)", "" for no entries.
std::string Dump(const language::FormatList& formats);

// "" when every token's span lies inside expression, in order, and spells
// the token: the text itself, "$$" + the word, or "[" + name + "]" followed
// by the field's statements. Otherwise a description of each fault.
std::string SpanProblems(std::u16string_view expression, const language::TokenList& tokens);

// UTF-8 of a UTF-16 string, for EXPECT_EQ messages.
std::string U8(std::u16string_view text);

}  // namespace pelt::testing
