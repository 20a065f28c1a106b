// The evaluator's dual interface: early-bound slots and late-bound calls
// must both reach the evaluator with the caller's table, row, text and
// collections intact, and give back what the evaluator itself gives.

#include <gtest/gtest.h>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/value/text.h"
#include "server_fixture.h"
#include "support/dump.h"

namespace pelt::server {
namespace {

using host::FieldType;
using host::MemoryTable;
using runtime::CallKind;
using runtime::CollectionObject;
using runtime::Dispatch;
using runtime::HostRowObject;
using runtime::HostTableObject;
using runtime::OwnedText;
using runtime::Ref;
using runtime::Result;
using runtime::Variant;
using testing::CallOutcome;
using testing::Invoke;
using testing::ServerTest;

MemoryTable Cities() {
  MemoryTable table({{u"NAME", FieldType::kString},
                     {u"POP", FieldType::kInteger},
                     {u"Shape", FieldType::kGeometry}});
  table.AddRow({value::Variant::FromText(u"Zürich"), value::Variant::FromLong(421878)});
  table.AddRow({value::Variant::FromText(u"Łódź"), value::Variant::Null()});
  return table;
}

std::shared_ptr<value::Collection> ReservedWordValues() {
  auto values = std::make_shared<value::Collection>();
  static_cast<void>(values->Add(value::Variant::FromText(u"12"), u"PAGE_NUMBER"));
  static_cast<void>(values->Add(value::Variant::FromText(u"Map of cities"), u"TITLE"));
  return values;
}

// What one verification and one label tell a caller.
struct Outcome {
  std::string verdict;
  std::string verify_message;
  std::string label;
  std::string label_message;
  std::string host_calls;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& o, std::ostream* out) {
  *out << "{" << o.verdict << " '" << o.verify_message << "' '" << o.label << "' '"
       << o.label_message << "' calls: " << o.host_calls << "}";
}

constexpr std::u16string_view kExpressions[] = {
    u"Page $$PAGE_NUMBER: [NAME].UCase",
    u"[NAME] has [POP] people",
    u"[name].Left(2) <BOL>$$TITLE</BOL>",
    u"[MISSING]",
    u"[Shape]",
    u"[NAME",
    u"NAME]",
    u"[NAME].Nonsense(",
    u"",
    u"$$",
    u"Text only",
};

Outcome Direct(std::u16string_view expression, std::size_t row, bool with_table) {
  MemoryTable table = Cities();
  table.RecordCalls(true);
  evaluator::PeltExpressionEvaluator evaluator;
  Outcome o;
  host::HostTable* t = with_table ? &table : nullptr;
  o.verdict = std::to_string(evaluator.VerifyExpression(t, std::u16string(expression)));
  o.verify_message = value::ToUtf8(evaluator.Message());
  o.label = value::ToUtf8(evaluator.MakeLabel(t, with_table ? &table.Row(row) : nullptr,
                                              std::u16string(expression), ReservedWordValues()));
  o.label_message = value::ToUtf8(evaluator.Message());
  o.host_calls = value::ToUtf8(table.CallTrace());
  return o;
}

using DualInterfaceTest = ServerTest;

TEST_F(DualInterfaceTest, EarlyBoundSlotsGiveWhatTheEvaluatorGives) {
  Ref<_PeltExpressionEvaluator> object = CreateEvaluator();
  ASSERT_TRUE(object);
  for (std::u16string_view expression : kExpressions) {
    for (std::size_t row = 0; row < 2; ++row) {
      for (bool with_table : {true, false}) {
        SCOPED_TRACE(value::ToUtf8(expression) + " row " + std::to_string(row) +
                     (with_table ? "" : " without table"));
        MemoryTable table = Cities();
        table.RecordCalls(true);
        Ref<HostTableObject> served_table =
            with_table ? runtime::ServeHostTable(runtime::Borrow<host::HostTable>(table)) : nullptr;
        Ref<HostRowObject> served_row =
            with_table ? runtime::ServeHostRow(runtime::Borrow<host::HostRow>(table.Row(row))) : nullptr;
        Ref<CollectionObject> values = runtime::ServeCollection(ReservedWordValues());
        OwnedText text(expression);
        HostTableObject* table_variable = served_table.get();
        HostRowObject* row_variable = served_row.get();
        CollectionObject* values_variable = values.get();
        Text expression_variable = text.get();

        Outcome o;
        runtime::Boolean verdict = 7;
        ASSERT_EQ(object->VerifyExpression(&table_variable, &expression_variable, &verdict), Result::kOk);
        o.verdict = std::to_string(verdict);
        OwnedText message;
        ASSERT_EQ(object->Message(message.Put()), Result::kOk);
        o.verify_message = value::ToUtf8(message.view());
        OwnedText label;
        ASSERT_EQ(object->MakeLabel(&table_variable, &row_variable, &expression_variable,
                                    &values_variable, label.Put()),
                  Result::kOk);
        o.label = value::ToUtf8(label.view());
        ASSERT_EQ(object->Message(message.Put()), Result::kOk);
        o.label_message = value::ToUtf8(message.view());
        o.host_calls = value::ToUtf8(table.CallTrace());
        EXPECT_EQ(o, Direct(expression, row, with_table));
        // The caller's variables are read, never changed.
        EXPECT_EQ(table_variable, served_table.get());
        EXPECT_EQ(expression_variable, text.get());
      }
    }
  }
}

TEST_F(DualInterfaceTest, LateBoundCallsGiveWhatTheEvaluatorGives) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  Ref<Dispatch> object = evaluator.As<Dispatch>();
  ASSERT_TRUE(object);
  for (std::u16string_view expression : kExpressions) {
    for (bool by_reference : {false, true}) {
      SCOPED_TRACE(value::ToUtf8(expression) + (by_reference ? " by reference" : " by value"));
      MemoryTable table = Cities();
      table.RecordCalls(true);
      Ref<HostTableObject> served_table = runtime::ServeHostTable(runtime::Borrow<host::HostTable>(table));
      Ref<HostRowObject> served_row = runtime::ServeHostRow(runtime::Borrow<host::HostRow>(table.Row(0)));
      Ref<CollectionObject> values = runtime::ServeCollection(ReservedWordValues());
      // The caller's own variables, passed by value (copies) or by reference.
      runtime::ScopedVariant table_var(runtime::MakeObjectVariant(served_table.get()));
      runtime::ScopedVariant row_var(runtime::MakeObjectVariant(served_row.get()));
      runtime::ScopedVariant text_var(runtime::MakeTextVariant(expression));
      runtime::ScopedVariant values_var(runtime::MakeObjectVariant(values.get()));
      const auto pass = [&](runtime::ScopedVariant& v) {
        if (by_reference) return runtime::MakeReferenceVariant(v.get());
        Variant copy;
        EXPECT_EQ(runtime::VariantCopy(copy, v.get()), Result::kOk);
        return copy;
      };

      Outcome o;
      CallOutcome verify = Invoke(*object.get(), kVerifyExpressionDispatchId, CallKind::kMethod,
                                  {pass(table_var), pass(text_var)});
      ASSERT_EQ(verify.result, Result::kOk) << verify.Line();
      o.verdict = verify.value == "Boolean:-1" ? "-1" : verify.value == "Boolean:0" ? "0" : verify.value;
      CallOutcome message = Invoke(*object.get(), kMessageDispatchId, CallKind::kGet, {});
      o.verify_message = message.value.substr(5);  // after "Text:"
      CallOutcome label = Invoke(*object.get(), kMakeLabelDispatchId, CallKind::kMethod | CallKind::kGet,
                                 {pass(table_var), pass(row_var), pass(text_var), pass(values_var)});
      ASSERT_EQ(label.result, Result::kOk) << label.Line();
      o.label = label.value.substr(5);
      o.label_message = Invoke(*object.get(), kMessageDispatchId, CallKind::kMethod, {}).value.substr(5);
      o.host_calls = value::ToUtf8(table.CallTrace());
      EXPECT_EQ(o, Direct(expression, 0, /*with_table=*/true));
      EXPECT_EQ(testing::DumpVariant(text_var.get()), "Text:" + value::ToUtf8(expression));
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
      {__LINE__, {u"ShowMessages"}, Result::kOk, {0x68030001}},
      {__LINE__, {u"showmessages"}, Result::kOk, {0x68030001}},
      {__LINE__, {u"MESSAGE"}, Result::kOk, {0x68030000}},
      {__LINE__, {u"EditExpression"}, Result::kOk, {0x60030002}},
      {__LINE__, {u"makeLabel"}, Result::kOk, {0x60030003}},
      {__LINE__, {u"VerifyExpression", u"Message"}, Result::kOk, {0x60030004, 0x68030000}},
      {__LINE__, {u"Verify"}, Result::kMemberNotFound, {-1}},
      {__LINE__, {u""}, Result::kMemberNotFound, {-1}},
      {__LINE__, {u"MakeLabel ", u"MakeLabel"}, Result::kMemberNotFound, {-1, 0x60030003}},
      {__LINE__, {}, Result::kOk, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<OwnedText> texts;
    std::vector<Text> names;
    for (const std::u16string& name : row.names) {
      texts.emplace_back(name);
      names.push_back(texts.back().get());
    }
    std::vector<runtime::DispatchId> ids(names.size(), 12345);
    EXPECT_EQ(object->MemberIds(names.data(), static_cast<std::uint32_t>(names.size()), ids.data()),
              row.expected);
    EXPECT_EQ(ids, row.ids);
  }
  runtime::DispatchId id = 0;
  EXPECT_EQ(object->MemberIds(nullptr, 1, &id), Result::kInvalidPointer);
}

TEST_F(DualInterfaceTest, ShowMessagesIsASixteenBitBooleanBothWays) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  Ref<Dispatch> object = evaluator.As<Dispatch>();
  ASSERT_TRUE(object);
  runtime::Boolean value = 7;
  ASSERT_EQ(evaluator->ShowMessages(&value), Result::kOk);
  EXPECT_EQ(value, 0);  // off when new
  EXPECT_EQ(Invoke(*object.get(), kMessageDispatchId, CallKind::kGet, {}).Line(), "ok Text:");

  const auto integer = [](std::int16_t n) {
    Variant v;
    v.type = runtime::VariantType::kInteger;
    v.integer = n;
    return v;
  };
  struct Row {
    int line;
    Variant written;
    std::string read;
  } rows[] = {
      {__LINE__, runtime::MakeBooleanVariant(true), "ok Boolean:-1"},
      {__LINE__, runtime::MakeBooleanVariant(false), "ok Boolean:0"},
      {__LINE__, integer(1), "ok Boolean:-1"},  // any non-zero value is true
      {__LINE__, runtime::MakeLongVariant(0), "ok Boolean:0"},
      {__LINE__, runtime::MakeLongVariant(65536), "ok Boolean:-1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Invoke(*object.get(), kShowMessagesDispatchId, CallKind::kPut, {row.written}).Line(),
              "ok Empty");
    EXPECT_EQ(Invoke(*object.get(), kShowMessagesDispatchId, CallKind::kGet, {}).Line(), row.read);
    EXPECT_EQ(Invoke(*object.get(), kShowMessagesDispatchId, CallKind::kMethod | CallKind::kGet, {}).Line(),
              row.read);
    ASSERT_EQ(evaluator->ShowMessages(&value), Result::kOk);
    EXPECT_EQ("ok Boolean:" + std::to_string(value), row.read);
  }
  ASSERT_EQ(evaluator->ShowMessages(runtime::Boolean{1}), Result::kOk);
  ASSERT_EQ(evaluator->ShowMessages(&value), Result::kOk);
  EXPECT_EQ(value, -1);
  EXPECT_EQ(evaluator->ShowMessages(nullptr), Result::kInvalidPointer);
}

TEST_F(DualInterfaceTest, BadLateBoundCallsFailWithARecord) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  Ref<Dispatch> object = evaluator.As<Dispatch>();
  ASSERT_TRUE(object);
  MemoryTable table = Cities();
  Ref<HostTableObject> served_table = runtime::ServeHostTable(runtime::Borrow<host::HostTable>(table));
  Ref<HostRowObject> served_row = runtime::ServeHostRow(runtime::Borrow<host::HostRow>(table.Row(0)));
  const auto table_arg = [&] { return runtime::MakeObjectVariant(served_table.get()); };
  const auto row_arg = [&] { return runtime::MakeObjectVariant(served_row.get()); };
  const auto text = [](std::u16string_view t) { return runtime::MakeTextVariant(t); };
  const auto null = [] {
    Variant v;
    v.type = runtime::VariantType::kNull;
    return v;
  };
  const auto broken = [] {
    Variant v;
    v.type = runtime::VariantType::kReference;
    return v;
  };
  const Variant empty;
  struct Row {
    int line;
    runtime::DispatchId id;
    CallKind kind;
    std::vector<Variant> arguments;
    std::string expected;
  };
  std::vector<Row> rows;
  rows.push_back({__LINE__, 0x60030005, CallKind::kMethod, {},
                  "member not found: PeltExpressionEvaluator has no member with dispatch identifier "
                  "1610809349."});
  rows.push_back({__LINE__, 0, CallKind::kMethod, {}, "member not found: PeltExpressionEvaluator has no "
                  "member with dispatch identifier 0."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod, {table_arg()},
                  "bad argument count: VerifyExpression takes 2 arguments, not 1."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod,
                  {table_arg(), text(u"x"), text(u"y")},
                  "bad argument count: VerifyExpression takes 2 arguments, not 3."});
  rows.push_back({__LINE__, kMakeLabelDispatchId, CallKind::kMethod, {table_arg(), row_arg(), text(u"x")},
                  "bad argument count: MakeLabel takes 4 arguments, not 3."});
  rows.push_back({__LINE__, kEditExpressionDispatchId, CallKind::kMethod, {},
                  "bad argument count: EditExpression takes 4 arguments, not 0."});
  rows.push_back({__LINE__, kMessageDispatchId, CallKind::kGet, {text(u"x")},
                  "bad argument count: Message takes 0 arguments, not 1."});
  rows.push_back({__LINE__, kShowMessagesDispatchId, CallKind::kPut, {},
                  "bad argument count: ShowMessages takes 1 argument, not 0."});
  rows.push_back({__LINE__, kShowMessagesDispatchId, CallKind::kGet, {runtime::MakeBooleanVariant(true)},
                  "bad argument count: ShowMessages takes 0 arguments, not 1."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod, {text(u"t"), text(u"x")},
                  "type mismatch arg 1: Argument 1 (pTable) of VerifyExpression must be an object, "
                  "not Text."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod,
                  {table_arg(), runtime::MakeLongVariant(5)},
                  "type mismatch arg 2: Argument 2 (pExpression) of VerifyExpression must be Text, "
                  "not Long."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod, {table_arg(), null()},
                  "type mismatch arg 2: Argument 2 (pExpression) of VerifyExpression must be Text, "
                  "not Null."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod, {row_arg(), text(u"x")},
                  "type mismatch arg 1: Argument 1 (pTable) of VerifyExpression must be a host table, "
                  "not an object of another kind."});
  rows.push_back({__LINE__, kMakeLabelDispatchId, CallKind::kMethod,
                  {table_arg(), table_arg(), text(u"x"), empty},
                  "type mismatch arg 2: Argument 2 (pRow) of MakeLabel must be a host row, not an "
                  "object of another kind."});
  rows.push_back({__LINE__, kMakeLabelDispatchId, CallKind::kMethod,
                  {table_arg(), row_arg(), text(u"x"), row_arg()},
                  "type mismatch arg 4: Argument 4 (pReservedWordValues) of MakeLabel must be a "
                  "collection, not an object of another kind."});
  rows.push_back({__LINE__, kEditExpressionDispatchId, CallKind::kMethod,
                  {empty, text(u"x"), empty, runtime::MakeBooleanVariant(true)},
                  "type mismatch arg 4: Argument 4 (ReservedWordDescriptions) of EditExpression must "
                  "be an object, not Boolean."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod, {broken(), text(u"x")},
                  "type mismatch arg 1: Argument 1 (pTable) of VerifyExpression must be a value or a "
                  "reference to one, not a broken reference."});
  rows.push_back({__LINE__, kShowMessagesDispatchId, CallKind::kPut, {text(u"True")},
                  "type mismatch arg 1: Argument 1 (DisplayMessages) of ShowMessages must be Boolean, "
                  "not Text."});
  rows.push_back({__LINE__, kMessageDispatchId, CallKind::kPut, {text(u"x")},
                  "bad call kind: Message is a read-only property."});
  rows.push_back({__LINE__, kMakeLabelDispatchId, CallKind::kPut, {empty, empty, empty, empty},
                  "bad call kind: MakeLabel is a method."});
  rows.push_back({__LINE__, kVerifyExpressionDispatchId, CallKind::kMethod | CallKind::kPut,
                  {empty, empty}, "bad call kind: VerifyExpression is a method."});
  rows.push_back({__LINE__, kShowMessagesDispatchId, static_cast<CallKind>(0), {},
                  "bad call kind: ShowMessages is read or written."});
  for (Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Invoke(*object.get(), row.id, row.kind, std::move(row.arguments)).Line(), row.expected);
  }
  // A failed call changed nothing.
  EXPECT_EQ(Invoke(*object.get(), kMessageDispatchId, CallKind::kGet, {}).Line(), "ok Text:");
  // Null arrays and records are handled, not followed.
  EXPECT_EQ(object->Call(kMessageDispatchId, CallKind::kGet, nullptr, 1, nullptr, nullptr),
            Result::kInvalidPointer);
  EXPECT_EQ(object->Call(kMessageDispatchId, CallKind::kGet, nullptr, 0, nullptr, nullptr), Result::kOk);
  EXPECT_EQ(object->Call(12, CallKind::kGet, nullptr, 0, nullptr, nullptr), Result::kMemberNotFound);
}

TEST_F(DualInterfaceTest, AbsentObjectsAreNullReferences) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  Ref<Dispatch> object = evaluator.As<Dispatch>();
  ASSERT_TRUE(object);
  const Outcome direct = Direct(u"Text only", 0, /*with_table=*/false);
  // Late bound: empty, null and null-object variants all mean "no object".
  const auto null = [] {
    Variant v;
    v.type = runtime::VariantType::kNull;
    return v;
  };
  for (int form = 0; form < 3; ++form) {
    SCOPED_TRACE(form);
    const auto absent = [&] { return form == 0 ? Variant() : form == 1 ? null() : runtime::MakeObjectVariant(nullptr); };
    CallOutcome verify = Invoke(*object.get(), kVerifyExpressionDispatchId, CallKind::kMethod,
                                {absent(), runtime::MakeTextVariant(u"Text only")});
    EXPECT_EQ(verify.Line(), "ok Boolean:" + direct.verdict);
    CallOutcome label = Invoke(*object.get(), kMakeLabelDispatchId, CallKind::kMethod,
                               {absent(), absent(), runtime::MakeTextVariant(u"Text only"), absent()});
    EXPECT_EQ(label.Line(), "ok Text:" + direct.label);
  }
  // An empty expression variant is the empty text.
  EXPECT_EQ(Invoke(*object.get(), kVerifyExpressionDispatchId, CallKind::kMethod, {Variant(), Variant()}).Line(),
            "ok Boolean:" + Direct(u"", 0, /*with_table=*/false).verdict);

  // Early bound: null references inside the variables are fine, null
  // variables are not.
  HostTableObject* no_table = nullptr;
  HostRowObject* no_row = nullptr;
  CollectionObject* no_values = nullptr;
  Text no_text = nullptr;  // the empty text
  runtime::Boolean verdict = 0;
  OwnedText label;
  EXPECT_EQ(evaluator->VerifyExpression(&no_table, &no_text, &verdict), Result::kOk);
  EXPECT_EQ(std::to_string(verdict), Direct(u"", 0, false).verdict);
  EXPECT_EQ(evaluator->MakeLabel(&no_table, &no_row, &no_text, &no_values, label.Put()), Result::kOk);
  EXPECT_EQ(evaluator->EditExpression(&no_table, &no_text, &no_values, &no_values, label.Put()),
            Result::kOk);
  EXPECT_EQ(evaluator->VerifyExpression(nullptr, &no_text, &verdict), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->VerifyExpression(&no_table, nullptr, &verdict), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->VerifyExpression(&no_table, &no_text, nullptr), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->MakeLabel(&no_table, nullptr, &no_text, &no_values, label.Put()),
            Result::kInvalidPointer);
  EXPECT_EQ(evaluator->MakeLabel(&no_table, &no_row, &no_text, &no_values, nullptr), Result::kInvalidPointer);
  EXPECT_EQ(evaluator->EditExpression(&no_table, &no_text, nullptr, &no_values, label.Put()),
            Result::kInvalidPointer);
  EXPECT_EQ(evaluator->Message(nullptr), Result::kInvalidPointer);
}

// A collection whose every call fails, as a broken host's might.
class FailingCollection final : public CollectionObject {
 public:
  Result Query(const runtime::InterfaceId& id, void** out) override {
    return runtime::QueryChain<runtime::Object, runtime::HostObject, CollectionObject>(this, id, out);
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

TEST_F(DualInterfaceTest, AFailingCollectionFailsTheCallWithItsOwnRecord) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  Ref<Dispatch> object = evaluator.As<Dispatch>();
  ASSERT_TRUE(object);
  FailingCollection values;
  CallOutcome label = Invoke(*object.get(), kMakeLabelDispatchId, CallKind::kMethod,
                             {Variant(), Variant(), runtime::MakeTextVariant(u"$$PAGE"),
                              runtime::MakeObjectVariant(&values)});
  EXPECT_EQ(label.Line(), "exception: The collection is gone.");
  EXPECT_EQ(label.number, 1004);
  CallOutcome edit = Invoke(*object.get(), kEditExpressionDispatchId, CallKind::kMethod,
                            {Variant(), runtime::MakeTextVariant(u""), Variant(),
                             runtime::MakeObjectVariant(&values)});
  EXPECT_EQ(edit.Line(), "exception: The collection is gone.");

  HostTableObject* no_table = nullptr;
  HostRowObject* no_row = nullptr;
  CollectionObject* failing = &values;
  OwnedText text(u"x");
  Text expression = text.get();
  OwnedText result;
  EXPECT_EQ(evaluator->MakeLabel(&no_table, &no_row, &expression, &failing, result.Put()),
            Result::kException);
  EXPECT_EQ(values.refs, 1u);  // every reference taken was given back
}

}  // namespace
}  // namespace pelt::server
