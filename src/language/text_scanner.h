#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "pelt/language/token_list.h"

namespace pelt::language {

// Splits the literal stretch expression[offset, offset + length) into "Text"
// and "RESERVEDWORD" tokens and appends them to out in the order written; the
// tokens' spans are offsets into expression. A reserved word is "$$" followed
// by one or more word characters other than the word "DOTS"; a "$$" without
// such a word is literal text of its own. Every text is accepted; the only
// failure is running out of memory (std::bad_alloc).
void ScanLiteralText(std::u16string_view expression, std::size_t offset, std::size_t length,
                     std::vector<Token>& out);

}  // namespace pelt::language
