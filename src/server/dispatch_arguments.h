#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelt/runtime/dispatch.h"
#include "pelt/runtime/host_objects.h"
#include "pelt/runtime/object.h"
#include "pelt/runtime/variant.h"

namespace pelt::server {

// What kind of member a late-bound call reaches.
enum class MemberKind { kProperty, kReadOnlyProperty, kMethod };

// Reads: a property get, or a method call from a caller that cannot tell.
bool IsRead(runtime::CallKind kind);
// Writes: a property put and nothing else.
bool IsWrite(runtime::CallKind kind);

// One late-bound call as a member sees it: its call kind and its arguments.
// Each reader follows a by-reference argument to the caller's variant,
// checks and converts what it finds, and on a fault fills the caller's
// exception record (naming the member, the argument and the types) before
// returning the failure.
class CallArguments {
 public:
  CallArguments(std::u16string_view member, runtime::Variant* values, std::uint32_t count,
                runtime::ExceptionRecord* exception)
      : member_(member), values_(values), count_(count), exception_(exception) {}

  // kBadCallKind unless a member of that kind may be called so.
  runtime::Result CheckCallKind(MemberKind member, runtime::CallKind kind);
  // kBadArgumentCount unless exactly expected arguments were given.
  runtime::Result ExpectCount(std::uint32_t expected);

  // The argument at position (1-based); name is the parameter's, for
  // messages.
  // A Boolean, or an integer (non-zero is true).
  runtime::Result Read(std::uint32_t position, std::u16string_view name, runtime::Boolean& out);
  // A text, or an empty variant (""): out points into the caller's variant.
  runtime::Result Read(std::uint32_t position, std::u16string_view name, runtime::Text& out);
  // A host table, a host row or a collection; a null object or an empty or
  // null variant is no object.
  runtime::Result Read(std::uint32_t position, std::u16string_view name,
                       runtime::Ref<runtime::HostTableObject>& out);
  runtime::Result Read(std::uint32_t position, std::u16string_view name,
                       runtime::Ref<runtime::HostRowObject>& out);
  runtime::Result Read(std::uint32_t position, std::u16string_view name,
                       runtime::Ref<runtime::CollectionObject>& out);

  // Fills the exception record with description and gives back result.
  runtime::Result Fail(runtime::Result result, std::u16string_view description,
                       std::uint32_t argument = 0);

 private:
  // The argument at position after following a reference; nullptr (and the
  // record filled) for a broken reference.
  const runtime::Variant* Target(std::uint32_t position, std::u16string_view name);
  template <class T>
  runtime::Result ReadObject(std::uint32_t position, std::u16string_view name,
                             std::u16string_view kind, runtime::Ref<T>& out);
  runtime::Result Mismatch(std::uint32_t position, std::u16string_view name,
                           std::u16string_view wanted, std::u16string_view found);

  std::u16string_view member_;
  runtime::Variant* values_;
  std::uint32_t count_;
  runtime::ExceptionRecord* exception_;
};

// The source named in the exception records of the evaluator's members.
inline constexpr std::u16string_view kEvaluatorSource = u"PeltExpressions.PeltExpressionEvaluator";

}  // namespace pelt::server
