#include "expression_warnings.h"

#include "pelt/warnings/expression_warnings.h"

namespace pelt::python {

std::vector<std::u16string> ExpressionWarningTexts(
    std::u16string_view expression, evaluator::PeltExpressionEvaluator& evaluator,
    host::HostTable* table, std::optional<std::vector<std::u16string>> words) {
  warnings::WarningContext context;
  context.table = table;
  context.supplied_words = std::move(words);
  std::vector<std::u16string> texts;
  for (warnings::Warning& warning :
       warnings::ExpressionWarnings(expression, evaluator.Tokens(), context)) {
    texts.push_back(std::move(warning.text));
  }
  return texts;
}

}  // namespace pelt::python
