#pragma once

#include <cstdint>

#include "pelt/evaluator/evaluator_members.h"
#include "pelt/runtime/dispatch.h"
#include "pelt/runtime/host_objects.h"
#include "pelt/runtime/object.h"
#include "pelt/runtime/text.h"
#include "pelt/runtime/variant.h"

// What a host needs to know to create and call the component's evaluator
// through the component runtime.
namespace pelt::server {

using runtime::Boolean;
using runtime::Result;
using runtime::Text;

inline constexpr runtime::ClassId kPeltExpressionEvaluatorClassId =
    runtime::UuidLiteral("e8e08a14-cec1-427c-8133-b9399595dd68");
inline constexpr char kPeltExpressionEvaluatorProgramId[] =
    "PeltExpressions.PeltExpressionEvaluator";

inline constexpr runtime::Uuid kTypeLibraryId =
    runtime::UuidLiteral("53eb0bce-bfc9-4f0e-8f34-0310ff2cc9ce");
inline constexpr char kTypeLibraryName[] = "PeltExpressions";
inline constexpr char kTypeLibraryDescription[] = "Brindle Expression Builder";

// The members' dispatch identifiers for late-bound callers:
// kShowMessagesDispatchId and so on. Both accessors of a property share one
// identifier; the call kind tells them apart.
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter) \
  inline constexpr runtime::DispatchId k##Name##DispatchId = id;
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) \
  inline constexpr runtime::DispatchId k##Name##DispatchId = id;
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...) \
  inline constexpr runtime::DispatchId k##Name##DispatchId = id;
#include "pelt/evaluator/evaluator_members.def"

// How each kind of parameter and result crosses the boundary.
namespace boundary {
using Boolean = runtime::Boolean;
using Text = runtime::Text;
using Table = runtime::HostTableObject*;
using Row = runtime::HostRowObject*;
using Collection = runtime::CollectionObject*;
}  // namespace boundary

// The evaluator's default interface. It is dual: late-bound callers use the
// Dispatch members, early-bound callers the slots below, which follow
// Dispatch's in the order of evaluator_members.def: a property's reader, then
// its writer (which takes the value itself; any non-zero Boolean is true).
// Every other parameter is passed by reference (a pointer to the caller's
// variable, which the evaluator reads and never changes); object references
// inside may be null. Results go to the last parameter; a Text result
// becomes the caller's to free. For example:
//   Result MakeLabel(HostTableObject** pTable, HostRowObject** pRow, Text* pExpression,
//                    CollectionObject** pReservedWordValues, Text* result);
class _PeltExpressionEvaluator : public runtime::Dispatch {
 public:
  static constexpr runtime::InterfaceId kId =
      runtime::UuidLiteral("6b0c7e59-1f7f-49c0-9ccb-20a1b1da2d79");

// (Kind, Parameter) as a slot parameter; the server declares its slots with it too.
#define PELT_BOUNDARY_PARAMETER(kind, name) boundary::kind* name
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter) \
  virtual Result Name(boundary::Kind* result) = 0;            \
  virtual Result Name(boundary::Kind PutParameter) = 0;
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) \
  virtual Result Name(boundary::Kind* result) = 0;
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...)         \
  virtual Result Name(PELT_FOR_EACH(PELT_BOUNDARY_PARAMETER, __VA_ARGS__), \
                      boundary::ResultKind* result) = 0;
#include "pelt/evaluator/evaluator_members.def"

 protected:
  ~_PeltExpressionEvaluator() = default;
};

}  // namespace pelt::server
