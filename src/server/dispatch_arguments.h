#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelt/runtime/object.h"
#include "pelt/runtime/variant.h"

namespace pelt::server {

// The arguments of one late-bound call as a member reads them. Each reader
// follows a by-reference argument to the caller's variant, converts what it
// finds, and on a fault fills the caller's exception record (naming the
// member, the argument and the types) before returning the failure.
class CallArguments {
 public:
  CallArguments(std::u16string_view member, runtime::Variant* values, std::uint32_t count,
                runtime::ExceptionRecord* exception)
      : member_(member), values_(values), count_(count), exception_(exception) {}

  std::uint32_t count() const { return count_; }

  // kBadArgumentCount unless exactly expected arguments were given.
  runtime::Result ExpectCount(std::uint32_t expected);

  // Position is 1-based; name is the parameter's name, for messages.
  // Text: a text (a null Text is "") or an empty variant ("").
  runtime::Result ReadText(std::uint32_t position, std::u16string_view name, std::u16string& out);
  // Boolean: a Boolean, or an integer (non-zero is true).
  runtime::Result ReadBoolean(std::uint32_t position, std::u16string_view name,
                              runtime::Boolean& out);
  // An object offering T, a null object, or an empty or null variant (both
  // meaning "no object"). kind names T in messages ("a host table").
  template <class T>
  runtime::Result ReadObject(std::uint32_t position, std::u16string_view name,
                             std::u16string_view kind, runtime::Ref<T>& out) {
    runtime::Object* object = nullptr;
    if (runtime::Result r = ReadAnyObject(position, name, object); runtime::Failed(r)) return r;
    out = nullptr;
    if (object == nullptr) return runtime::Result::kOk;
    if (runtime::Failed(object->Query(T::kId, out.PutVoid()))) {
      return Mismatch(position, name, kind, u"an object of another kind");
    }
    return runtime::Result::kOk;
  }

  // Fills the exception record with description and gives back result.
  runtime::Result Fail(runtime::Result result, std::u16string_view description,
                       std::uint32_t argument = 0);

 private:
  // The argument at position after following a reference; nullptr (and the
  // record filled) for a broken reference.
  const runtime::Variant* Target(std::uint32_t position, std::u16string_view name);
  runtime::Result ReadAnyObject(std::uint32_t position, std::u16string_view name,
                                runtime::Object*& out);
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
