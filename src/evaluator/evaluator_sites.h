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

// One site per member of evaluator_members.def, named as the member is:
// kShowMessagesSite, kEditExpressionSite …
#define PELT_MEMBER_SITE(Name) \
  inline constexpr errors::ProcedureSite k##Name##Site{u"" #Name " ", kEvaluatorModule};
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter) PELT_MEMBER_SITE(Name)
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) PELT_MEMBER_SITE(Name)
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...) PELT_MEMBER_SITE(Name)
#include "pelt/evaluator/evaluator_members.def"
#undef PELT_MEMBER_SITE

// Procedures that are not members.
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
