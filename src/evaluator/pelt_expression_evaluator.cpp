#include "pelt/evaluator/pelt_expression_evaluator.h"

#include "evaluator_sites.h"

namespace pelt::evaluator {

using errors::GuardProcedure;
using errors::OnFailure;

PeltExpressionEvaluator::PeltExpressionEvaluator() {
  GuardProcedure(kClassInitializeSite, OnFailure::kShowHere, [&] {
    m_sMessage.clear();
    m_bValid = true;
    m_bShowMessages = false;
  });
}

PeltExpressionEvaluator::~PeltExpressionEvaluator() {
  GuardProcedure(kClassTerminateSite, OnFailure::kShowHere, [&] {
    m_pTokens.reset();
    m_pReservedWordValues.reset();
    m_pBuilder.reset();
  });
}

Boolean PeltExpressionEvaluator::ShowMessages() {
  Boolean result = kFalse;
  GuardProcedure(kShowMessagesSite, OnFailure::kShowHere,
                 [&] { result = ToBoolean(m_bShowMessages); });
  return result;
}

void PeltExpressionEvaluator::ShowMessages(Boolean DisplayMessages) {
  // Any non-zero value counts as true, as 16-bit Booleans always have.
  GuardProcedure(kShowMessagesSite, OnFailure::kShowHere,
                 [&] { m_bShowMessages = DisplayMessages != kFalse; });
}

std::u16string PeltExpressionEvaluator::Message() {
  std::u16string result;
  GuardProcedure(kMessageSite, OnFailure::kShowHere, [&] { result = m_sMessage; });
  return result;
}

const language::TokenList& PeltExpressionEvaluator::Tokens() {
  if (!m_pTokens) m_pTokens = std::make_unique<language::TokenList>();
  return *m_pTokens;
}

// VerifyExpression lives in verify_expression.cpp, MakeLabel in make_label.cpp
// and EditExpression in edit_expression.cpp.

}  // namespace pelt::evaluator
