#pragma once

#include <initializer_list>
#include <string_view>
#include <thread>

#include "member_arguments.h"
#include "module_state.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/runtime/object.h"
#include "pelt/server/evaluator_interface.h"

namespace pelt::server {

class CallArguments;

// PeltExpressionEvaluator as a component object: the evaluator behind its
// dual default interface. Early-bound slots and late-bound calls both come
// from evaluator_members.def and meet in one path (Run) that turns the
// runtime's tables, rows, collections and texts into the evaluator's own and
// its results back.
//
// Apartment threading: the object lives in the thread that created it and
// refuses calls from any other with kWrongThread (Retain and Release
// excepted). Nothing is thrown out of any member.
class EvaluatorObject final : public _PeltExpressionEvaluator {
 public:
  EvaluatorObject();

  // Object
  Result Query(const runtime::InterfaceId& id, void** out) override;
  std::uint32_t Retain() override;
  std::uint32_t Release() override;

  // Dispatch
  Result MemberIds(const Text* names, std::uint32_t count, runtime::DispatchId* ids) override;
  Result Call(runtime::DispatchId id, runtime::CallKind kind, runtime::Variant* arguments,
              std::uint32_t count, runtime::Variant* result,
              runtime::ExceptionRecord* exception) override;

  // _PeltExpressionEvaluator
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter) \
  Result Name(boundary::Kind* result) override;               \
  Result Name(boundary::Kind PutParameter) override;
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) \
  Result Name(boundary::Kind* result) override;
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...)                               \
  Result Name(PELT_FOR_EACH(PELT_BOUNDARY_PARAMETER, __VA_ARGS__), boundary::ResultKind* result) \
      override;
#include "pelt/evaluator/evaluator_members.def"

 private:
  ~EvaluatorObject();

  Result CheckThread() const;

  // The evaluator's member call made with the boundary values: each is
  // turned into the evaluator's parameter in order (exception, which may be
  // null, tells why one could not be), and the member's result goes to
  // deliver.
  template <class... B, class Member, class Deliver>
  Result Run(Member member, Deliver deliver, runtime::ExceptionRecord* exception, B... values);

  // An early-bound slot: the caller's variables must be passed; the result
  // goes to *result.
  template <class Out, class Member, class... B>
  Result EarlyBound(Out* result, Member member, B*... variables);
  // An early-bound property write.
  template <class B, class Member>
  Result EarlyPut(Member member, B value);

  // A late-bound call of a member with parameters of the kinds B…, named
  // names; result may be null.
  template <class... B, class Member>
  Result LateBound(CallArguments& args, std::initializer_list<std::u16string_view> names,
                   Member member, runtime::Variant* result, runtime::ExceptionRecord* exception);

  LiveObjectToken live_;  // first in, last out: counts the object until it is gone
  runtime::RefCount refs_;
  std::thread::id home_thread_;
  evaluator::PeltExpressionEvaluator evaluator_;
  KeptObjects kept_;  // after evaluator_: goes first
};

}  // namespace pelt::server
