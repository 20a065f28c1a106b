#include "evaluator_object.h"

#include <memory>
#include <optional>

#include "dispatch_arguments.h"
#include "pelt/runtime/host_adapters.h"
#include "pelt/runtime/server_support.h"
#include "pelt/value/text.h"

#ifdef PELT_SERVER_HAS_BUILDER
#include "pelt/builder/builder.h"
#endif

namespace pelt::server {

using runtime::CallKind;
using runtime::CollectionObject;
using runtime::DispatchId;
using runtime::ExceptionRecord;
using runtime::HostRowObject;
using runtime::HostTableObject;
using runtime::Ref;
using runtime::Variant;

namespace {

// The members late-bound callers can name, matched without regard to case.
struct Member {
  std::u16string_view name;
  DispatchId id;
};
constexpr Member kMembers[] = {
    {u"ShowMessages", kShowMessagesDispatchId},
    {u"Message", kMessageDispatchId},
    {u"EditExpression", kEditExpressionDispatchId},
    {u"MakeLabel", kMakeLabelDispatchId},
    {u"VerifyExpression", kVerifyExpressionDispatchId},
};

// Reads: a property get, or a method call from a caller that cannot tell.
bool IsRead(CallKind kind) {
  return !runtime::HasCallKind(kind, CallKind::kPut) &&
         (runtime::HasCallKind(kind, CallKind::kGet) || runtime::HasCallKind(kind, CallKind::kMethod));
}
bool IsWrite(CallKind kind) { return kind == CallKind::kPut; }

// Writes value into the caller's result variant, or drops it when the caller
// wants none.
void SetResult(Variant* result, Variant value) {
  if (result == nullptr) {
    runtime::VariantClear(value);
    return;
  }
  runtime::VariantClear(*result);
  *result = value;
}

Result SetTextResult(Variant* result, std::u16string_view text) {
  Variant v = runtime::MakeTextVariant(text);
  if (v.type != runtime::VariantType::kText) return Result::kOutOfMemory;
  SetResult(result, v);
  return Result::kOk;
}

Result HandOutText(std::u16string_view text, Text* out) {
  *out = runtime::TextAllocate(text);
  return *out != nullptr ? Result::kOk : Result::kOutOfMemory;
}

// A copy of a caller's collection for the evaluator (null stays null). The
// evaluator keeps its own reference to the copy, as it would to the original.
Result CopyForEvaluator(CollectionObject* from, evaluator::CollectionRef& out, ExceptionRecord* exception) {
  out = nullptr;
  if (from == nullptr) return Result::kOk;
  auto copy = std::make_shared<value::Collection>();
  const errors::Status status = runtime::CopyCollection(*from, *copy);
  if (!status.ok()) {
    runtime::FillExceptionRecord(exception, status.number(), status.source(), status.description());
    return Result::kException;
  }
  out = std::move(copy);
  return Result::kOk;
}

// The evaluator's view of a caller's table, for the length of one call.
class TableView {
 public:
  explicit TableView(HostTableObject* table) {
    if (table != nullptr) adapter_.emplace(Ref<HostTableObject>::Share(table));
  }
  host::HostTable* get() { return adapter_ ? &*adapter_ : nullptr; }

 private:
  std::optional<runtime::RemoteHostTable> adapter_;
};

class RowView {
 public:
  explicit RowView(HostRowObject* row) {
    if (row != nullptr) adapter_.emplace(Ref<HostRowObject>::Share(row));
  }
  host::HostRow* get() { return adapter_ ? &*adapter_ : nullptr; }

 private:
  std::optional<runtime::RemoteHostRow> adapter_;
};

}  // namespace

EvaluatorObject::EvaluatorObject() : home_thread_(std::this_thread::get_id()) {
#ifdef PELT_SERVER_HAS_BUILDER
  // The creating thread is the one the object lives in, so it is the host's
  // interface thread: the dialog and the boxes belong there.
  builder::InstallQtBuilder();
#endif
}
EvaluatorObject::~EvaluatorObject() = default;

Result EvaluatorObject::Query(const runtime::InterfaceId& id, void** out) {
  return runtime::QueryChain<runtime::Object, runtime::Dispatch, _PeltExpressionEvaluator>(this, id, out);
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

// --- The three operations ---

Result EvaluatorObject::Verify(HostTableObject* table, const std::u16string& expression,
                               Boolean& verdict) {
  TableView view(table);
  verdict = evaluator_.VerifyExpression(view.get(), expression) != evaluator::kFalse ? runtime::kTrue
                                                                                    : runtime::kFalse;
  return Result::kOk;
}

Result EvaluatorObject::Label(HostTableObject* table, HostRowObject* row,
                              const std::u16string& expression, CollectionObject* values,
                              std::u16string& label, ExceptionRecord* exception) {
  evaluator::CollectionRef copy;
  if (Result r = CopyForEvaluator(values, copy, exception); Failed(r)) return r;
  TableView table_view(table);
  RowView row_view(row);
  label = evaluator_.MakeLabel(table_view.get(), row_view.get(), expression, std::move(copy));
  return Result::kOk;
}

Result EvaluatorObject::Edit(HostTableObject* table, const std::u16string& expression,
                             CollectionObject* words, CollectionObject* descriptions,
                             std::u16string& accepted, ExceptionRecord* exception) {
  evaluator::CollectionRef words_copy;
  if (Result r = CopyForEvaluator(words, words_copy, exception); Failed(r)) return r;
  evaluator::CollectionRef descriptions_copy;
  if (Result r = CopyForEvaluator(descriptions, descriptions_copy, exception); Failed(r)) return r;
  TableView view(table);
  accepted = evaluator_.EditExpression(view.get(), expression, std::move(words_copy),
                                       std::move(descriptions_copy));
  return Result::kOk;
}

// --- Early-bound slots ---

Result EvaluatorObject::ShowMessages(Boolean* result) {
  if (result == nullptr) return Result::kInvalidPointer;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    *result = evaluator_.ShowMessages() != evaluator::kFalse ? runtime::kTrue : runtime::kFalse;
    return Result::kOk;
  });
}

Result EvaluatorObject::ShowMessages(Boolean DisplayMessages) {
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    evaluator_.ShowMessages(DisplayMessages != runtime::kFalse ? evaluator::kTrue : evaluator::kFalse);
    return Result::kOk;
  });
}

Result EvaluatorObject::Message(Text* result) {
  if (result == nullptr) return Result::kInvalidPointer;
  *result = nullptr;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    return HandOutText(evaluator_.Message(), result);
  });
}

Result EvaluatorObject::EditExpression(HostTableObject** pTable, Text* pExpression,
                                       CollectionObject** ReservedWords,
                                       CollectionObject** ReservedWordDescriptions, Text* result) {
  if (pTable == nullptr || pExpression == nullptr || ReservedWords == nullptr ||
      ReservedWordDescriptions == nullptr || result == nullptr) {
    return Result::kInvalidPointer;
  }
  *result = nullptr;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    std::u16string accepted;
    const std::u16string expression(runtime::TextView(*pExpression));
    if (Result r = Edit(*pTable, expression, *ReservedWords, *ReservedWordDescriptions, accepted,
                        nullptr);
        Failed(r)) {
      return r;
    }
    return HandOutText(accepted, result);
  });
}

Result EvaluatorObject::MakeLabel(HostTableObject** pTable, HostRowObject** pRow, Text* pExpression,
                                  CollectionObject** pReservedWordValues, Text* result) {
  if (pTable == nullptr || pRow == nullptr || pExpression == nullptr ||
      pReservedWordValues == nullptr || result == nullptr) {
    return Result::kInvalidPointer;
  }
  *result = nullptr;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    std::u16string label;
    const std::u16string expression(runtime::TextView(*pExpression));
    if (Result r = Label(*pTable, *pRow, expression, *pReservedWordValues, label, nullptr); Failed(r)) {
      return r;
    }
    return HandOutText(label, result);
  });
}

Result EvaluatorObject::VerifyExpression(HostTableObject** pTable, Text* pExpression, Boolean* result) {
  if (pTable == nullptr || pExpression == nullptr || result == nullptr) return Result::kInvalidPointer;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    return Verify(*pTable, std::u16string(runtime::TextView(*pExpression)), *result);
  });
}

// --- Late binding ---

Result EvaluatorObject::MemberIds(const Text* names, std::uint32_t count, DispatchId* ids) {
  if ((names == nullptr || ids == nullptr) && count > 0) return Result::kInvalidPointer;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
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

Result EvaluatorObject::Call(DispatchId id, CallKind kind, Variant* arguments, std::uint32_t count,
                             Variant* result, ExceptionRecord* exception) {
  if (arguments == nullptr && count > 0) return Result::kInvalidPointer;
  return runtime::GuardBoundary([&] {
    if (Result r = CheckThread(); Failed(r)) return r;
    switch (id) {
      case kShowMessagesDispatchId:
        return CallShowMessages(kind, arguments, count, result, exception);
      case kMessageDispatchId:
        return CallMessage(kind, arguments, count, result, exception);
      case kEditExpressionDispatchId:
        return CallEditExpression(kind, arguments, count, result, exception);
      case kMakeLabelDispatchId:
        return CallMakeLabel(kind, arguments, count, result, exception);
      case kVerifyExpressionDispatchId:
        return CallVerifyExpression(kind, arguments, count, result, exception);
      default: {
        CallArguments args(u"PeltExpressionEvaluator", arguments, count, exception);
        return args.Fail(Result::kMemberNotFound, u"PeltExpressionEvaluator has no member with "
                                                  u"dispatch identifier " +
                                                      value::FromAscii(std::to_string(id)) + u".");
      }
    }
  });
}

Result EvaluatorObject::CallShowMessages(CallKind kind, Variant* arguments, std::uint32_t count,
                                         Variant* result, ExceptionRecord* exception) {
  CallArguments args(u"ShowMessages", arguments, count, exception);
  if (IsWrite(kind)) {
    if (Result r = args.ExpectCount(1); Failed(r)) return r;
    Boolean value = runtime::kFalse;
    if (Result r = args.ReadBoolean(1, u"DisplayMessages", value); Failed(r)) return r;
    return ShowMessages(value);
  }
  if (!IsRead(kind)) return args.Fail(Result::kBadCallKind, u"ShowMessages is read or written.");
  if (Result r = args.ExpectCount(0); Failed(r)) return r;
  Boolean value = runtime::kFalse;
  if (Result r = ShowMessages(&value); Failed(r)) return r;
  SetResult(result, runtime::MakeBooleanVariant(value != runtime::kFalse));
  return Result::kOk;
}

Result EvaluatorObject::CallMessage(CallKind kind, Variant* arguments, std::uint32_t count,
                                    Variant* result, ExceptionRecord* exception) {
  CallArguments args(u"Message", arguments, count, exception);
  if (!IsRead(kind)) return args.Fail(Result::kBadCallKind, u"Message is a read-only property.");
  if (Result r = args.ExpectCount(0); Failed(r)) return r;
  return SetTextResult(result, evaluator_.Message());
}

Result EvaluatorObject::CallEditExpression(CallKind kind, Variant* arguments, std::uint32_t count,
                                           Variant* result, ExceptionRecord* exception) {
  CallArguments args(u"EditExpression", arguments, count, exception);
  if (!IsRead(kind)) return args.Fail(Result::kBadCallKind, u"EditExpression is a method.");
  if (Result r = args.ExpectCount(4); Failed(r)) return r;
  Ref<HostTableObject> table;
  std::u16string expression;
  Ref<CollectionObject> words;
  Ref<CollectionObject> descriptions;
  if (Result r = args.ReadObject(1, u"pTable", u"a host table", table); Failed(r)) return r;
  if (Result r = args.ReadText(2, u"pExpression", expression); Failed(r)) return r;
  if (Result r = args.ReadObject(3, u"ReservedWords", u"a collection", words); Failed(r)) return r;
  if (Result r = args.ReadObject(4, u"ReservedWordDescriptions", u"a collection", descriptions);
      Failed(r)) {
    return r;
  }
  std::u16string accepted;
  if (Result r = Edit(table.get(), expression, words.get(), descriptions.get(), accepted, exception);
      Failed(r)) {
    return r;
  }
  return SetTextResult(result, accepted);
}

Result EvaluatorObject::CallMakeLabel(CallKind kind, Variant* arguments, std::uint32_t count,
                                      Variant* result, ExceptionRecord* exception) {
  CallArguments args(u"MakeLabel", arguments, count, exception);
  if (!IsRead(kind)) return args.Fail(Result::kBadCallKind, u"MakeLabel is a method.");
  if (Result r = args.ExpectCount(4); Failed(r)) return r;
  Ref<HostTableObject> table;
  Ref<HostRowObject> row;
  std::u16string expression;
  Ref<CollectionObject> values;
  if (Result r = args.ReadObject(1, u"pTable", u"a host table", table); Failed(r)) return r;
  if (Result r = args.ReadObject(2, u"pRow", u"a host row", row); Failed(r)) return r;
  if (Result r = args.ReadText(3, u"pExpression", expression); Failed(r)) return r;
  if (Result r = args.ReadObject(4, u"pReservedWordValues", u"a collection", values); Failed(r)) {
    return r;
  }
  std::u16string label;
  if (Result r = Label(table.get(), row.get(), expression, values.get(), label, exception); Failed(r)) {
    return r;
  }
  return SetTextResult(result, label);
}

Result EvaluatorObject::CallVerifyExpression(CallKind kind, Variant* arguments, std::uint32_t count,
                                             Variant* result, ExceptionRecord* exception) {
  CallArguments args(u"VerifyExpression", arguments, count, exception);
  if (!IsRead(kind)) return args.Fail(Result::kBadCallKind, u"VerifyExpression is a method.");
  if (Result r = args.ExpectCount(2); Failed(r)) return r;
  Ref<HostTableObject> table;
  std::u16string expression;
  if (Result r = args.ReadObject(1, u"pTable", u"a host table", table); Failed(r)) return r;
  if (Result r = args.ReadText(2, u"pExpression", expression); Failed(r)) return r;
  Boolean verdict = runtime::kFalse;
  if (Result r = Verify(table.get(), expression, verdict); Failed(r)) return r;
  SetResult(result, runtime::MakeBooleanVariant(verdict != runtime::kFalse));
  return Result::kOk;
}

}  // namespace pelt::server
