#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/host_table.h"

namespace pelt::python {

// The texts of the warnings about an expression that evaluator has just
// verified against table: fields table lacks, statements that are literal
// text, and words the run gives no value (words: the names the run gives a
// value; nullopt: not checked). A Python string passes through no shell.
std::vector<std::u16string> ExpressionWarningTexts(
    std::u16string_view expression, evaluator::PeltExpressionEvaluator& evaluator,
    host::HostTable* table, std::optional<std::vector<std::u16string>> words);

}  // namespace pelt::python
