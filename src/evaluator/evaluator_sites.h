#pragma once

#include <string_view>

#include "pelt/errors/error_handling.h"

namespace pelt::evaluator {

// The module identifier and the procedure sites of the evaluator class that
// follow the call-stack convention.
inline constexpr std::u16string_view kEvaluatorModule = u"PeltExpressions:PeltExpressionEvaluator";

inline constexpr errors::ProcedureSite kShowMessagesSite{u"ShowMessages ", kEvaluatorModule};
inline constexpr errors::ProcedureSite kMessageSite{u"Message ", kEvaluatorModule};
inline constexpr errors::ProcedureSite kEditExpressionSite{u"EditExpression ", kEvaluatorModule};
inline constexpr errors::ProcedureSite kClassInitializeSite{u"Class_Initialize ", kEvaluatorModule};
inline constexpr errors::ProcedureSite kClassTerminateSite{u"Class_Terminate ", kEvaluatorModule};
inline constexpr errors::ProcedureSite kEvaluateText2Site{u"EvaluateText2 ", kEvaluatorModule};

}  // namespace pelt::evaluator
