#pragma once

#include <functional>
#include <memory>

namespace pelt::evaluator {

// The expression builder dialog as the evaluator sees it. The toolkit's
// dialog library implements it and installs a factory, so the evaluator
// itself links no toolkit.
class ExpressionBuilder {
 public:
  virtual ~ExpressionBuilder() = default;
};

using ExpressionBuilderFactory = std::function<std::unique_ptr<ExpressionBuilder>()>;

// Installs the factory EditExpression creates its dialogs with (an empty
// function removes it). Without one, EditExpression cannot open a dialog.
void SetExpressionBuilderFactory(ExpressionBuilderFactory factory);
ExpressionBuilderFactory GetExpressionBuilderFactory();

}  // namespace pelt::evaluator
