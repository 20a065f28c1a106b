#pragma once

#include <string_view>
#include <vector>

#include "pelt/warnings/expression_warnings.h"

namespace pelt::warnings::internal {

// Each adds its warnings to out, in the order of the expression. Tokens are
// those of a scan of expression: their spans lie inside it.

// Statements: misspelt, after a blank, after a reserved word, given
// arguments they do not take, cut at the first ")".
void AddStatementWarnings(std::u16string_view expression, const language::TokenList& tokens,
                          std::vector<Warning>& out);

// Reserved words the run gives no value, and "$$" that a shell replaced.
void AddWordWarnings(const language::TokenList& tokens, const WarningContext& context,
                     std::vector<Warning>& out);

// Fields the table does not have, with the nearest names it has.
void AddFieldWarnings(const language::TokenList& tokens, host::HostTable& table,
                      std::vector<Warning>& out);

}  // namespace pelt::warnings::internal
