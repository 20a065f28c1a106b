#pragma once

#include <cstdint>

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
inline constexpr char kPeltExpressionEvaluatorProgramId[] = "PeltExpressions.PeltExpressionEvaluator";

inline constexpr runtime::Uuid kTypeLibraryId =
    runtime::UuidLiteral("53eb0bce-bfc9-4f0e-8f34-0310ff2cc9ce");
inline constexpr char kTypeLibraryName[] = "PeltExpressions";
inline constexpr char kTypeLibraryDescription[] = "Brindle Expression Builder";

// The members' dispatch identifiers for late-bound callers. Both accessors
// of ShowMessages share one identifier; the call kind tells them apart.
inline constexpr runtime::DispatchId kShowMessagesDispatchId = 0x68030001;
inline constexpr runtime::DispatchId kMessageDispatchId = 0x68030000;
inline constexpr runtime::DispatchId kEditExpressionDispatchId = 0x60030002;
inline constexpr runtime::DispatchId kMakeLabelDispatchId = 0x60030003;
inline constexpr runtime::DispatchId kVerifyExpressionDispatchId = 0x60030004;

// The evaluator's default interface. It is dual: late-bound callers use the
// Dispatch members, early-bound callers the six slots below, which follow
// Dispatch's in this order. Every parameter is passed by reference (a pointer
// to the caller's variable, which the evaluator reads and never changes);
// object references inside may be null. Results go to the last parameter; a
// Text result becomes the caller's to free.
class _PeltExpressionEvaluator : public runtime::Dispatch {
 public:
  static constexpr runtime::InterfaceId kId =
      runtime::UuidLiteral("6b0c7e59-1f7f-49c0-9ccb-20a1b1da2d79");

  // Slot 1: ShowMessages, read.
  virtual Result ShowMessages(Boolean* result) = 0;
  // Slot 2: ShowMessages, write. Any non-zero value is true.
  virtual Result ShowMessages(Boolean DisplayMessages) = 0;
  // Slot 3: Message, read (there is no writer).
  virtual Result Message(Text* result) = 0;
  // Slot 4.
  virtual Result EditExpression(runtime::HostTableObject** pTable, Text* pExpression,
                                runtime::CollectionObject** ReservedWords,
                                runtime::CollectionObject** ReservedWordDescriptions,
                                Text* result) = 0;
  // Slot 5.
  virtual Result MakeLabel(runtime::HostTableObject** pTable, runtime::HostRowObject** pRow,
                           Text* pExpression, runtime::CollectionObject** pReservedWordValues,
                           Text* result) = 0;
  // Slot 6.
  virtual Result VerifyExpression(runtime::HostTableObject** pTable, Text* pExpression,
                                  Boolean* result) = 0;

 protected:
  ~_PeltExpressionEvaluator() = default;
};

}  // namespace pelt::server
