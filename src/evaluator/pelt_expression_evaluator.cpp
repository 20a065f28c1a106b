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

// MakeLabel below is filled in with label assembly; until then it gives its
// failure value. VerifyExpression lives in verify_expression.cpp and
// EditExpression in edit_expression.cpp.

std::u16string PeltExpressionEvaluator::MakeLabel(host::HostTable* /*pTable*/,
                                                  host::HostRow* /*pRow*/,
                                                  const std::u16string& /*pExpression*/,
                                                  CollectionRef /*pReservedWordValues*/) {
  m_bValid = false;
  return std::u16string();
}

}  // namespace pelt::evaluator
