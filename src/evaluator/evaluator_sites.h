#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "pelt/errors/error_handling.h"
#include "pelt/value/error_code.h"

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

// The source of the failures the evaluator raises itself.
inline constexpr std::u16string_view kFailureSource = u"PeltExpressions";

// Field indices are 16-bit wherever the component takes them from the host;
// a wider one is an overflow.
inline std::int16_t NarrowFieldIndex(std::int32_t index) {
  if (index < std::numeric_limits<std::int16_t>::min() ||
      index > std::numeric_limits<std::int16_t>::max()) {
    errors::Raise(value::ErrorCode::kOverflow, std::u16string(kFailureSource));
  }
  return static_cast<std::int16_t>(index);
}

}  // namespace pelt::evaluator
