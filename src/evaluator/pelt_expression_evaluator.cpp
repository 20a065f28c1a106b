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

// Each row of evaluator_members.def names a member declared in the header
// with the row's parameter and result kinds: a row without its member, or a
// declaration that strays from its row, does not compile.
#define PELT_CPP_PARAMETER_TYPE(kind, name) parameter::kind
#define PELT_DECLARES(Name, Result, ...)                                       \
  static_assert(static_cast<Result (PeltExpressionEvaluator::*)(__VA_ARGS__)>( \
                    &PeltExpressionEvaluator::Name) != nullptr);
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter) \
  PELT_DECLARES(Name, result::Kind)                           \
  PELT_DECLARES(Name, void, parameter::Kind)
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) PELT_DECLARES(Name, result::Kind)
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...) \
  PELT_DECLARES(Name, result::ResultKind, PELT_FOR_EACH(PELT_CPP_PARAMETER_TYPE, __VA_ARGS__))
#include "pelt/evaluator/evaluator_members.def"
#undef PELT_DECLARES
#undef PELT_CPP_PARAMETER_TYPE

}  // namespace pelt::evaluator
