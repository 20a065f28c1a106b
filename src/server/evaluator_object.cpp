#include "evaluator_object.h"

#include <tuple>
#include <type_traits>
#include <utility>

#include "dispatch_arguments.h"
#include "member_arguments.h"
#include "pelt/runtime/boundary_guard.h"
#include "pelt/value/text.h"

#ifdef PELT_SERVER_HAS_BUILDER
#include "pelt/builder/builder.h"
#endif

namespace pelt::server {

using runtime::CallKind;
using runtime::DispatchId;
using runtime::ExceptionRecord;
using runtime::Variant;

namespace {

// The members late-bound callers can name, matched without regard to case.
struct Member {
  std::u16string_view name;
  DispatchId id;
};
constexpr Member kMembers[] = {
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter) {u"" #Name, id},
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) {u"" #Name, id},
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...) {u"" #Name, id},
#include "pelt/evaluator/evaluator_members.def"
};

}  // namespace

// Calls the evaluator's member Name with whatever arguments it is given.
#define PELT_CALL(Name)                                                      \
  [this](auto&&... forwarded) {                                              \
    return evaluator_.Name(std::forward<decltype(forwarded)>(forwarded)...); \
  }

EvaluatorObject::EvaluatorObject() : home_thread_(std::this_thread::get_id()) {
#ifdef PELT_SERVER_HAS_BUILDER
  // The creating thread is the one the object lives in, so it is the host's
  // interface thread: the dialog and the boxes belong there.
  builder::InstallQtBuilder();
#endif
}
EvaluatorObject::~EvaluatorObject() = default;

Result EvaluatorObject::Query(const runtime::InterfaceId& id, void** out) {
  return runtime::QueryChain<runtime::Object, runtime::Dispatch, _PeltExpressionEvaluator>(this, id,
                                                                                           out);
}

std::uint32_t EvaluatorObject::Retain() { return refs_.Increment(); }

std::uint32_t EvaluatorObject::Release() {
  const std::uint32_t left = refs_.Decrement();
  if (left == 0) delete this;
  return left;
}

Result EvaluatorObject::CheckThread() const {
  return std::this_thread::get_id() == home_thread_ ? Result::kOk : Result::kWrongThread;
}

// --- The one path of every member ---

template <class... B, class Member, class Deliver>
Result EvaluatorObject::Run(Member member, Deliver deliver, ExceptionRecord* exception,
                            B... values) {
  std::tuple<typename Argument<B>::Local...> locals;
  Result localized = Result::kOk;
  std::apply(
      [&](auto&... local) {
        ((localized = runtime::Succeeded(localized)
                          ? Argument<B>::Localize(values, local, exception, kept_)
                          : localized),
         ...);
      },
      locals);
  PELT_RETURN_IF_FAILED(localized);
  ++kept_.calls;
  struct CallEnds {
    KeptObjects& kept;
    ~CallEnds() { --kept.calls; }
  } call_ends{kept_};
  return std::apply(
      [&](auto&... local) {
        if constexpr (std::is_void_v<decltype(member(Argument<B>::Pass(local)...))>) {
          member(Argument<B>::Pass(local)...);
          return Result::kOk;
        } else {
          return deliver(member(Argument<B>::Pass(local)...));
        }
      },
      locals);
}

template <class Out, class Member, class... B>
Result EvaluatorObject::EarlyBound(Out* result, Member member, B*... variables) {
  return runtime::GuardMember(runtime::Inputs(variables...), runtime::Outputs(result), [&] {
    PELT_RETURN_IF_FAILED(CheckThread());
    const auto deliver = [&](const auto& value) { return HandOut(value, *result); };
    return Run<B...>(member, deliver, nullptr, *variables...);
  });
}

template <class B, class Member>
Result EvaluatorObject::EarlyPut(Member member, B value) {
  return runtime::GuardBoundary([&] {
    PELT_RETURN_IF_FAILED(CheckThread());
    return Run<B>(member, nullptr, nullptr, value);
  });
}

template <class... B, class Member>
Result EvaluatorObject::LateBound(CallArguments& args,
                                  std::initializer_list<std::u16string_view> names, Member member,
                                  Variant* result, ExceptionRecord* exception) {
  PELT_RETURN_IF_FAILED(args.ExpectCount(static_cast<std::uint32_t>(sizeof...(B))));
  std::tuple<typename Held<B>::Type...> held;
  Result read = Result::kOk;
  std::uint32_t position = 0;
  std::apply(
      [&](auto&... each) {
        ((read = runtime::Succeeded(read) ? args.Read(position + 1, names.begin()[position], each)
                                          : read,
          ++position),
         ...);
      },
      held);
  PELT_RETURN_IF_FAILED(read);
  const auto deliver = [&](const auto& value) { return SetResult(result, value); };
  return std::apply(
      [&](auto&... each) { return Run<B...>(member, deliver, exception, Held<B>::Get(each)...); },
      held);
}

// --- Early-bound slots ---

#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter)       \
  Result EvaluatorObject::Name(boundary::Kind* result) {            \
    return EarlyBound(result, PELT_CALL(Name));                     \
  }                                                                 \
  Result EvaluatorObject::Name(boundary::Kind PutParameter) {       \
    return EarlyPut<boundary::Kind>(PELT_CALL(Name), PutParameter); \
  }
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind) \
  Result EvaluatorObject::Name(boundary::Kind* result) {  \
    return EarlyBound(result, PELT_CALL(Name));           \
  }
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...)                  \
  Result EvaluatorObject::Name(PELT_FOR_EACH(PELT_BOUNDARY_PARAMETER, __VA_ARGS__), \
                               boundary::ResultKind* result) {                      \
    return EarlyBound(result, PELT_CALL(ServedBy),                                  \
                      PELT_FOR_EACH(PELT_PARAMETER_NAME, __VA_ARGS__));             \
  }
#include "pelt/evaluator/evaluator_members.def"

// --- Late binding ---

Result EvaluatorObject::MemberIds(const Text* names, std::uint32_t count, DispatchId* ids) {
  if ((names == nullptr || ids == nullptr) && count > 0) return Result::kInvalidPointer;
  return runtime::GuardBoundary([&] {
    PELT_RETURN_IF_FAILED(CheckThread());
    Result outcome = Result::kOk;
    for (std::uint32_t i = 0; i < count; ++i) {
      ids[i] = runtime::kUnknownMember;
      for (const Member& member : kMembers) {
        if (value::EqualsNoCase(runtime::TextView(names[i]), member.name)) ids[i] = member.id;
      }
      if (ids[i] == runtime::kUnknownMember) outcome = Result::kMemberNotFound;
    }
    return outcome;
  });
}

#define PELT_BOUNDARY_TYPE(kind, name) boundary::kind

Result EvaluatorObject::Call(DispatchId id, CallKind kind, Variant* arguments, std::uint32_t count,
                             Variant* result, ExceptionRecord* exception) {
  if (arguments == nullptr && count > 0) return Result::kInvalidPointer;
  return runtime::GuardBoundary([&] {
    PELT_RETURN_IF_FAILED(CheckThread());
    switch (id) {
#define PELT_EVALUATOR_PROPERTY(Name, id, Kind, PutParameter)                               \
  case id: {                                                                                \
    CallArguments args(u"" #Name, arguments, count, exception);                             \
    PELT_RETURN_IF_FAILED(args.CheckCallKind(MemberKind::kProperty, kind));                 \
    if (IsWrite(kind)) {                                                                    \
      return LateBound<boundary::Kind>(args, {u"" #PutParameter}, PELT_CALL(Name), nullptr, \
                                       exception);                                          \
    }                                                                                       \
    return LateBound<>(args, {}, PELT_CALL(Name), result, exception);                       \
  }
#define PELT_EVALUATOR_READ_ONLY_PROPERTY(Name, id, Kind)                           \
  case id: {                                                                        \
    CallArguments args(u"" #Name, arguments, count, exception);                     \
    PELT_RETURN_IF_FAILED(args.CheckCallKind(MemberKind::kReadOnlyProperty, kind)); \
    return LateBound<>(args, {}, PELT_CALL(Name), result, exception);               \
  }
#define PELT_EVALUATOR_METHOD(Name, id, ResultKind, ServedBy, ...)                                 \
  case id: {                                                                                       \
    CallArguments args(u"" #Name, arguments, count, exception);                                    \
    PELT_RETURN_IF_FAILED(args.CheckCallKind(MemberKind::kMethod, kind));                          \
    return LateBound<PELT_FOR_EACH(PELT_BOUNDARY_TYPE, __VA_ARGS__)>(                              \
        args, {PELT_FOR_EACH(PELT_PARAMETER_NAME_TEXT, __VA_ARGS__)}, PELT_CALL(ServedBy), result, \
        exception);                                                                                \
  }
#include "pelt/evaluator/evaluator_members.def"
      default: {
        CallArguments args(u"PeltExpressionEvaluator", arguments, count, exception);
        return args.Fail(Result::kMemberNotFound,
                         u"PeltExpressionEvaluator has no member with "
                         u"dispatch identifier " +
                             value::FromAscii(std::to_string(id)) + u".");
      }
    }
  });
}

}  // namespace pelt::server
