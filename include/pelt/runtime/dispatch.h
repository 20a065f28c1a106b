#pragma once

#include <cstdint>

#include "pelt/runtime/object.h"
#include "pelt/runtime/variant.h"

namespace pelt::runtime {

// A member's number for late-bound calls.
using DispatchId = std::int32_t;
inline constexpr DispatchId kUnknownMember = -1;

// How a member is called. Property reads may come as kGet or as
// kMethod | kGet (callers that cannot tell a property from a method send
// both); writes come as kPut alone.
enum class CallKind : std::uint16_t {
  kMethod = 1,
  kGet = 2,
  kPut = 4,
};
constexpr CallKind operator|(CallKind a, CallKind b) {
  return static_cast<CallKind>(static_cast<std::uint16_t>(a) | static_cast<std::uint16_t>(b));
}
constexpr bool HasCallKind(CallKind set, CallKind kind) {
  return (static_cast<std::uint16_t>(set) & static_cast<std::uint16_t>(kind)) != 0;
}

// Late binding: callers that know members only by name find their dispatch
// identifiers, then call them with an array of variant arguments.
class Dispatch : public Object {
 public:
  static constexpr InterfaceId kId = UuidLiteral("7705b3cd-8338-4afd-bf2a-35d2d18484fe");

  // The dispatch identifier of each of count names, matched without regard to
  // case. Unknown names get kUnknownMember and make the result
  // kMemberNotFound; the known ones are still filled in.
  virtual Result MemberIds(const Text* names, std::uint32_t count, DispatchId* ids) = 0;

  // Calls member id. arguments[0] is the first argument, in the order the
  // member declares them; each may hold its value or be a kReference to the
  // caller's variant. result may be null when the caller wants none;
  // otherwise it must hold a valid variant (normally empty), which is cleared
  // before the result is written. exception may be null; when it is not and
  // the call fails, it describes the failure (kException always comes with
  // the member's own number, source and description; kTypeMismatch names the
  // argument at fault).
  virtual Result Call(DispatchId id, CallKind kind, Variant* arguments, std::uint32_t count,
                      Variant* result, ExceptionRecord* exception) = 0;

 protected:
  ~Dispatch() = default;
};

}  // namespace pelt::runtime
