// The evaluator's dual interface: early-bound slots and late-bound calls
// must both reach the evaluator with the caller's table, row, text and
// collections intact, and give back what the evaluator itself gives.

#include <gtest/gtest.h>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/value/text.h"
#include "server_fixture.h"

namespace pelt::server {
namespace {

using host::FieldType;
using host::MemoryTable;
using runtime::CallKind;
using runtime::CollectionObject;
using runtime::Dispatch;
using runtime::DispatchId;
using runtime::HostRowObject;
using runtime::HostTableObject;
using runtime::OwnedText;
using runtime::Ref;
using runtime::ScopedVariant;
using runtime::Variant;
using testing::Invoke;
using value::ToUtf8;

MemoryTable Cities() {
  MemoryTable table({{u"NAME", FieldType::kString},
                     {u"POP", FieldType::kInteger},
                     {u"Shape", FieldType::kGeometry}});
  table.AddRow({value::Variant::FromText(u"Zürich"), value::Variant::FromLong(421878)});
  table.AddRow({value::Variant::FromText(u"Łódź"), value::Variant::Null()});
  table.RecordCalls(true);
  return table;
}

std::shared_ptr<value::Collection> ReservedWordValues() {
  auto values = std::make_shared<value::Collection>();
  static_cast<void>(values->Add(value::Variant::FromText(u"12"), u"PAGE_NUMBER"));
  static_cast<void>(values->Add(value::Variant::FromText(u"Map of cities"), u"TITLE"));
  return values;
}

// What one verification and one label tell a caller, and the host calls
// they made, as one line.
std::string Line(const std::string& verdict, const std::string& verify_message,
                 const std::string& label, const std::string& label_message,
                 const MemoryTable& table) {
  return verdict + " '" + verify_message + "' '" + label + "' '" + label_message + "' " +
         ToUtf8(table.CallTrace());
}

std::string Direct(std::u16string_view expression, std::size_t row, bool with_table) {
  MemoryTable table = Cities();
  evaluator::PeltExpressionEvaluator evaluator;
  host::HostTable* t = with_table ? &table : nullptr;
  const std::string verdict =
      std::to_string(evaluator.VerifyExpression(t, std::u16string(expression)));
  const std::string verify_message = ToUtf8(evaluator.Message());
  const std::string label = ToUtf8(evaluator.MakeLabel(
      t, with_table ? &table.Row(row) : nullptr, std::u16string(expression), ReservedWordValues()));
  return Line(verdict, verify_message, label, ToUtf8(evaluator.Message()), table);
}

enum class Way { kEarlyBound, kLateByValue, kLateByReference };

// The same two calls on the server's object.
std::string Served(_PeltExpressionEvaluator& object, Way way, std::u16string_view expression,
                   std::size_t row, bool with_table) {
  MemoryTable table = Cities();
  Ref<HostTableObject> served_table =
      with_table ? runtime::ServeHostTable(runtime::Borrow<host::HostTable>(table)) : nullptr;
  Ref<HostRowObject> served_row =
      with_table ? runtime::ServeHostRow(runtime::Borrow<host::HostRow>(table.Row(row))) : nullptr;
  Ref<CollectionObject> values = runtime::ServeCollection(ReservedWordValues());
  if (way == Way::kEarlyBound) {
    OwnedText text(expression);
    HostTableObject* table_variable = served_table.get();
    HostRowObject* row_variable = served_row.get();
    CollectionObject* values_variable = values.get();
    Text expression_variable = text.get();
    runtime::Boolean verdict = 7;
    OwnedText verify_message;
    OwnedText label;
    OwnedText label_message;
    EXPECT_EQ(object.VerifyExpression(&table_variable, &expression_variable, &verdict),
              Result::kOk);
    EXPECT_EQ(object.Message(verify_message.Put()), Result::kOk);
    EXPECT_EQ(object.MakeLabel(&table_variable, &row_variable, &expression_variable,
                               &values_variable, label.Put()),
              Result::kOk);
    EXPECT_EQ(object.Message(label_message.Put()), Result::kOk);
    // The caller's variables are read, never changed.
    EXPECT_EQ(table_variable, served_table.get());
    EXPECT_EQ(expression_variable, text.get());
    return Line(std::to_string(verdict), ToUtf8(verify_message.view()), ToUtf8(label.view()),
                ToUtf8(label_message.view()), table);
  }
  // The caller's own variables, passed as copies or by reference.
  ScopedVariant table_var(runtime::MakeObjectVariant(served_table.get()));
  ScopedVariant row_var(runtime::MakeObjectVariant(served_row.get()));
  ScopedVariant text_var(runtime::MakeTextVariant(expression));
  ScopedVariant values_var(runtime::MakeObjectVariant(values.get()));
  const auto pass = [&](ScopedVariant& v) {
    if (way == Way::kLateByReference) return runtime::MakeReferenceVariant(v.get());
    Variant copy;
    EXPECT_EQ(runtime::VariantCopy(copy, v.get()), Result::kOk);
    return copy;
  };
  const std::string verify = Invoke(object, kVerifyExpressionDispatchId, CallKind::kMethod,
                                    {pass(table_var), pass(text_var)});
  const std::string verify_message = Invoke(object, kMessageDispatchId, CallKind::kGet, {});
  const std::string label =
      Invoke(object, kMakeLabelDispatchId, CallKind::kMethod | CallKind::kGet,
             {pass(table_var), pass(row_var), pass(text_var), pass(values_var)});
  const std::string label_message = Invoke(object, kMessageDispatchId, CallKind::kMethod, {});
  EXPECT_EQ(runtime::TextView(text_var->text), expression);
  // "ok Text:label" → "label"
  const auto value = [](const std::string& line) { return line.substr(line.find(':') + 1); };
  return Line(value(verify), value(verify_message), value(label), value(label_message), table);
}

using DualInterfaceTest = testing::ServerTest;

TEST_F(DualInterfaceTest, EveryWayOfCallingGivesWhatTheEvaluatorGives) {
  Ref<_PeltExpressionEvaluator> object = CreateEvaluator();
  ASSERT_TRUE(object);
  for (std::u16string_view expression :
       {u"Page $$PAGE_NUMBER: [NAME].UCase", u"[NAME] has [POP] people",
        u"[name].Left(2) <BOL>$$TITLE</BOL>", u"[MISSING]", u"[Shape]", u"[NAME", u"NAME]",
        u"[NAME].Nonsense(", u"", u"$$", u"Text only"}) {
    for (std::size_t row = 0; row < 2; ++row) {
      for (bool with_table : {true, false}) {
        for (Way way : {Way::kEarlyBound, Way::kLateByValue, Way::kLateByReference}) {
          SCOPED_TRACE(ToUtf8(expression) + " row " + std::to_string(row) +
                       (with_table ? "" : " without table") + " way " +
                       std::to_string(static_cast<int>(way)));
          EXPECT_EQ(Served(*object.get(), way, expression, row, with_table),
                    Direct(expression, row, with_table));
        }
      }
    }
  }
}

TEST_F(DualInterfaceTest, MembersAreFoundByNameWithoutRegardToCase) {
  Ref<Dispatch> object = CreateEvaluator().As<Dispatch>();
  ASSERT_TRUE(object);
  struct Row {
    int line;
    std::vector<std::u16string> names;
    Result expected;
    std::vector<runtime::DispatchId> ids;
  } rows[] = {
      {__LINE__,
       {u"showmessages", u"MESSAGE", u"makeLabel"},
       Result::kOk,
       {0x68030001, 0x68030000, 0x60030003}},
      {__LINE__, {u"Verify"}, Result::kMemberNotFound, {-1}},
      {__LINE__, {u""}, Result::kMemberNotFound, {-1}},
      {__LINE__, {u"MakeLabel ", u"EditExpression"}, Result::kMemberNotFound, {-1, 0x60030002}},
      {__LINE__, {}, Result::kOk, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<OwnedText> texts(row.names.begin(), row.names.end());
    std::vector<Text> names;
    for (const OwnedText& text : texts) names.push_back(text.get());
    std::vector<runtime::DispatchId> ids(names.size(), 12345);
    EXPECT_EQ(object->MemberIds(names.data(), static_cast<std::uint32_t>(names.size()), ids.data()),
              row.expected);
    EXPECT_EQ(ids, row.ids);
  }
  runtime::DispatchId id = 0;
  EXPECT_EQ(object->MemberIds(nullptr, 1, &id), Result::kInvalidPointer);
}

// A collection whose every call fails, as a broken host's might.
class FailingCollection final : public CollectionObject {
 public:
  Result Query(const runtime::InterfaceId& id, void** out) override {
    return runtime::QueryChain<runtime::Object, runtime::HostObject, CollectionObject>(this, id,
                                                                                       out);
  }
  std::uint32_t Retain() override { return ++refs; }
  std::uint32_t Release() override { return --refs; }
  Result LastFailure(runtime::ExceptionRecord* record) override {
    runtime::FillExceptionRecord(record, 1004, u"HostCollection", u"The collection is gone.");
    return Result::kOk;
  }
  Result Count(std::int32_t*) override { return Result::kFailed; }
  Result ItemAt(std::int32_t, Variant*) override { return Result::kFailed; }
  Result KeyAt(std::int32_t, Text*) override { return Result::kFailed; }
  Result ItemByKey(const char16_t*, Variant*) override { return Result::kFailed; }
  Result Add(const Variant*, const char16_t*) override { return Result::kFailed; }
  std::uint32_t refs = 1;
};

// Late-bound calls made in order on one object, each with its outcome.
TEST_F(DualInterfaceTest, LateBoundCallsSucceedOrFailWithARecord) {
  Ref<Dispatch> object = CreateEvaluator().As<Dispatch>();
  ASSERT_TRUE(object);
  MemoryTable table = Cities();
  Ref<HostTableObject> served_table =
      runtime::ServeHostTable(runtime::Borrow<host::HostTable>(table));
  Ref<HostRowObject> served_row =
      runtime::ServeHostRow(runtime::Borrow<host::HostRow>(table.Row(0)));
  FailingCollection failing;
  const auto tbl = [&] { return runtime::MakeObjectVariant(served_table.get()); };
  const auto row = [&] { return runtime::MakeObjectVariant(served_row.get()); };
  const auto text = [](std::u16string_view t) { return runtime::MakeTextVariant(t); };
  const auto of_type = [](runtime::VariantType type, std::int16_t integer = 0) {
    Variant v;
    v.type = type;
    v.integer = integer;
    return v;
  };
  const Variant null = of_type(runtime::VariantType::kNull);
  const Variant broken = of_type(runtime::VariantType::kReference);
  const Variant one = of_type(runtime::VariantType::kInteger, 1);
  const Variant empty{};
  const DispatchId verify = kVerifyExpressionDispatchId;
  const DispatchId make_label = kMakeLabelDispatchId;
  const DispatchId show = kShowMessagesDispatchId;
  const CallKind get = CallKind::kGet;
  const CallKind put = CallKind::kPut;
  const CallKind method = CallKind::kMethod;
  const std::string mismatch = "type mismatch arg ";
  struct Row {
    int line;
    runtime::DispatchId id;
    CallKind kind;
    std::vector<Variant> arguments;
    std::string expected;
  } rows[] = {
      {__LINE__, kMessageDispatchId, get, {}, "ok Text:"},
      {__LINE__, show, get, {}, "ok Boolean:0"},  // off when new
      {__LINE__,
       0x60030005,
       method,
       {},
       "member not found: PeltExpressionEvaluator has no member with dispatch identifier "
       "1610809349."},
      {__LINE__,
       verify,
       method,
       {tbl()},
       "bad argument count: VerifyExpression takes 2 arguments, not 1."},
      {__LINE__,
       make_label,
       method,
       {tbl(), row(), text(u"x")},
       "bad argument count: MakeLabel takes 4 arguments, not 3."},
      {__LINE__,
       kMessageDispatchId,
       get,
       {text(u"x")},
       "bad argument count: Message takes 0 arguments, not 1."},
      {__LINE__, show, put, {}, "bad argument count: ShowMessages takes 1 argument, not 0."},
      {__LINE__,
       verify,
       method,
       {text(u"t"), text(u"x")},
       mismatch + "1: Argument 1 (pTable) of VerifyExpression must be an object, not Text."},
      {__LINE__,
       verify,
       method,
       {tbl(), runtime::MakeLongVariant(5)},
       mismatch + "2: Argument 2 (pExpression) of VerifyExpression must be Text, not Long."},
      {__LINE__,
       verify,
       method,
       {tbl(), null},
       mismatch + "2: Argument 2 (pExpression) of VerifyExpression must be Text, not Null."},
      {__LINE__,
       verify,
       method,
       {row(), text(u"x")},
       mismatch +
           "1: Argument 1 (pTable) of VerifyExpression must be a host table, not an object of "
           "another kind."},
      {__LINE__,
       make_label,
       method,
       {tbl(), tbl(), text(u"x"), empty},
       mismatch +
           "2: Argument 2 (pRow) of MakeLabel must be a host row, not an object of another kind."},
      {__LINE__,
       make_label,
       method,
       {tbl(), row(), text(u"x"), row()},
       mismatch +
           "4: Argument 4 (pReservedWordValues) of MakeLabel must be a collection, not an object "
           "of another kind."},
      {__LINE__,
       kEditExpressionDispatchId,
       method,
       {empty, text(u"x"), empty, runtime::MakeBooleanVariant(true)},
       mismatch +
           "4: Argument 4 (ReservedWordDescriptions) of EditExpression must be an object, not "
           "Boolean."},
      {__LINE__,
       verify,
       method,
       {broken, text(u"x")},
       mismatch +
           "1: Argument 1 (pTable) of VerifyExpression must be a value or a reference to one, "
           "not a broken reference."},
      {__LINE__,
       show,
       put,
       {text(u"True")},
       mismatch + "1: Argument 1 (DisplayMessages) of ShowMessages must be Boolean, not Text."},
      {__LINE__,
       kMessageDispatchId,
       put,
       {text(u"x")},
       "bad call kind: Message is a read-only property."},
      {__LINE__,
       make_label,
       put,
       {empty, empty, empty, empty},
       "bad call kind: MakeLabel is a method."},
      {__LINE__,
       verify,
       method | put,
       {empty, empty},
       "bad call kind: VerifyExpression is a method."},
      {__LINE__,
       show,
       static_cast<CallKind>(0),
       {},
       "bad call kind: ShowMessages is read or written."},
      {__LINE__, kMessageDispatchId, method, {}, "ok Text:"},  // the failed calls changed nothing
      // ShowMessages crosses as a 16-bit Boolean; any non-zero number is true.
      {__LINE__, show, put, {runtime::MakeBooleanVariant(true)}, "ok Empty"},
      {__LINE__, show, get, {}, "ok Boolean:-1"},
      {__LINE__, show, put, {runtime::MakeBooleanVariant(false)}, "ok Empty"},
      {__LINE__, show, method | get, {}, "ok Boolean:0"},
      {__LINE__, show, put, {one}, "ok Empty"},
      {__LINE__, show, get, {}, "ok Boolean:-1"},
      {__LINE__, show, put, {runtime::MakeLongVariant(0)}, "ok Empty"},
      {__LINE__, show, get, {}, "ok Boolean:0"},
      {__LINE__, show, put, {runtime::MakeLongVariant(65536)}, "ok Empty"},
      {__LINE__, show, get, {}, "ok Boolean:-1"},
      {__LINE__, show, put, {runtime::MakeBooleanVariant(false)}, "ok Empty"},
      // Empty and null variants are "no object"; an empty expression is "".
      {__LINE__, verify, method, {null, empty}, "ok Boolean:0"},
      {__LINE__, make_label, method, {empty, null, text(u"Text only"), null}, "ok Text:Text only"},
      // A failing collection fails the call with its own record.
      {__LINE__,
       make_label,
       method,
       {empty, empty, text(u"$$PAGE"), runtime::MakeObjectVariant(&failing)},
       "exception 1004: The collection is gone."},
      {__LINE__,
       kEditExpressionDispatchId,
       method,
       {empty, text(u""), empty, runtime::MakeObjectVariant(&failing)},
       "exception 1004: The collection is gone."},
  };
  for (Row& r : rows) {
    SCOPED_TRACE(r.line);
    EXPECT_EQ(Invoke(*object.get(), r.id, r.kind, std::move(r.arguments)), r.expected);
  }
  EXPECT_EQ(failing.refs, 1u);  // every reference taken was given back
  // Null arrays and records are handled, not followed.
  EXPECT_EQ(object->Call(kMessageDispatchId, get, nullptr, 1, nullptr, nullptr),
            Result::kInvalidPointer);
  EXPECT_EQ(object->Call(kMessageDispatchId, get, nullptr, 0, nullptr, nullptr), Result::kOk);
  EXPECT_EQ(object->Call(12, get, nullptr, 0, nullptr, nullptr), Result::kMemberNotFound);
}

TEST_F(DualInterfaceTest, EarlyBoundSlotsRefuseAbsentVariablesAndPassFailuresOn) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  ASSERT_TRUE(evaluator);
  runtime::Boolean value = 7;
  ASSERT_EQ(evaluator->ShowMessages(runtime::Boolean{1}),
            Result::kOk);  // any non-zero value is true
  ASSERT_EQ(evaluator->ShowMessages(&value), Result::kOk);
  EXPECT_EQ(value, -1);
  ASSERT_EQ(evaluator->ShowMessages(runtime::kFalse), Result::kOk);

  HostTableObject* no_table = nullptr;
  HostRowObject* no_row = nullptr;
  CollectionObject* no_values = nullptr;
  Text no_text = nullptr;  // the empty text
  OwnedText label;
  EXPECT_EQ(evaluator->EditExpression(&no_table, &no_text, &no_values, &no_values, label.Put()),
            Result::kOk);
  EXPECT_EQ(evaluator->VerifyExpression(nullptr, &no_text, &value), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->VerifyExpression(&no_table, nullptr, &value), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->VerifyExpression(&no_table, &no_text, nullptr), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->MakeLabel(&no_table, nullptr, &no_text, &no_values, label.Put()),
            Result::kInvalidPointer);
  EXPECT_EQ(evaluator->MakeLabel(&no_table, &no_row, &no_text, &no_values, nullptr),
            Result::kInvalidPointer);
  EXPECT_EQ(evaluator->EditExpression(&no_table, &no_text, nullptr, &no_values, label.Put()),
            Result::kInvalidPointer);
  EXPECT_EQ(evaluator->Message(nullptr), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->ShowMessages(nullptr), Result::kInvalidPointer);

  FailingCollection failing;
  CollectionObject* failing_variable = &failing;
  EXPECT_EQ(evaluator->MakeLabel(&no_table, &no_row, &no_text, &failing_variable, label.Put()),
            Result::kException);
  EXPECT_EQ(failing.refs, 1u);
}

}  // namespace
}  // namespace pelt::server
