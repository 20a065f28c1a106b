// The evaluator's dual interface: early-bound slots and late-bound calls
// must both reach the evaluator with the caller's table, row, text and
// collections intact, and give back what the evaluator itself gives.

#include <gtest/gtest.h>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/value/text.h"
#include "server_fixture.h"
#include "support/recording_table.h"

namespace pelt::server {
namespace {

using host::FieldType;
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
using runtime::VariantType;
using testing::Invoke;
using value::ToUtf8;

// Two cities in a table that records the calls made on it, and the table and
// a row served across the boundary as a host serves them.
struct Cities {
  Cities() {
    table.AddRow({value::Variant::FromText(u"Zürich"), value::Variant::FromLong(421878)});
    table.AddRow({value::Variant::FromText(u"Łódź"), value::Variant::Null()});
  }
  Ref<HostTableObject> Table() {
    return runtime::ServeHostTable(runtime::Borrow<host::HostTable>(recorder));
  }
  host::HostRow& RecordedRow(std::size_t i) { return recorder.Row(table.Row(i)); }
  Ref<HostRowObject> Row(std::size_t i) {
    return runtime::ServeHostRow(runtime::Borrow<host::HostRow>(RecordedRow(i)));
  }
  host::MemoryTable table{{{u"NAME", FieldType::kString},
                           {u"POP", FieldType::kInteger},
                           {u"Shape", FieldType::kGeometry}}};
  pelt::testing::RecordingTable recorder{table};
};

std::shared_ptr<value::Collection> ReservedWordValues() {
  auto values = std::make_shared<value::Collection>();
  static_cast<void>(values->Add(value::Variant::FromText(u"12"), u"PAGE_NUMBER"));
  static_cast<void>(values->Add(value::Variant::FromText(u"Map of cities"), u"TITLE"));
  return values;
}

enum class Way { kDirect, kEarlyBound, kLateByValue, kLateByReference };

// Verifies, then labels one expression the given way (with no table and row
// when row is absent), and tells as one line what the caller learnt and
// which host calls were made.
std::string VerifyAndLabel(_PeltExpressionEvaluator& object, Way way,
                           std::u16string_view expression, std::optional<std::size_t> row) {
  Cities cities;
  Ref<HostTableObject> table = row ? cities.Table() : nullptr;
  Ref<HostRowObject> served_row = row ? cities.Row(*row) : nullptr;
  Ref<CollectionObject> values = runtime::ServeCollection(ReservedWordValues());
  std::string said[4];  // the verdict, its message, the label, its message
  if (way == Way::kDirect) {
    evaluator::PeltExpressionEvaluator evaluator;
    host::HostTable* direct_table = row ? &cities.recorder : nullptr;
    said[0] = std::to_string(evaluator.VerifyExpression(direct_table, std::u16string(expression)));
    said[1] = ToUtf8(evaluator.Message());
    said[2] = ToUtf8(evaluator.MakeLabel(direct_table, row ? &cities.RecordedRow(*row) : nullptr,
                                         std::u16string(expression), ReservedWordValues()));
    said[3] = ToUtf8(evaluator.Message());
  } else if (way == Way::kEarlyBound) {
    OwnedText text(expression);
    HostTableObject* table_variable = table.get();
    HostRowObject* row_variable = served_row.get();
    CollectionObject* values_variable = values.get();
    Text expression_variable = text.get();
    runtime::Boolean verdict = 7;
    OwnedText texts[3];
    EXPECT_EQ(object.VerifyExpression(&table_variable, &expression_variable, &verdict),
              Result::kOk);
    EXPECT_EQ(object.Message(texts[0].Put()), Result::kOk);
    EXPECT_EQ(object.MakeLabel(&table_variable, &row_variable, &expression_variable,
                               &values_variable, texts[1].Put()),
              Result::kOk);
    EXPECT_EQ(object.Message(texts[2].Put()), Result::kOk);
    // The caller's variables are read, never changed.
    EXPECT_EQ(table_variable, table.get());
    EXPECT_EQ(expression_variable, text.get());
    said[0] = std::to_string(verdict);
    for (int i : {0, 1, 2}) said[i + 1] = ToUtf8(texts[i].view());
  } else {
    // The caller's own variables, passed as copies or by reference.
    ScopedVariant table_var(runtime::MakeObjectVariant(table.get()));
    ScopedVariant row_var(runtime::MakeObjectVariant(served_row.get()));
    ScopedVariant text_var(runtime::MakeTextVariant(expression));
    ScopedVariant values_var(runtime::MakeObjectVariant(values.get()));
    const auto pass = [&](ScopedVariant& v) {
      if (way == Way::kLateByReference) return runtime::MakeReferenceVariant(v.get());
      Variant copy;
      EXPECT_EQ(runtime::VariantCopy(copy, v.get()), Result::kOk);
      return copy;
    };
    said[0] = Invoke(object, kVerifyExpressionDispatchId, CallKind::kMethod,
                     {pass(table_var), pass(text_var)});
    said[1] = Invoke(object, kMessageDispatchId, CallKind::kGet, {});
    said[2] = Invoke(object, kMakeLabelDispatchId, CallKind::kMethod | CallKind::kGet,
                     {pass(table_var), pass(row_var), pass(text_var), pass(values_var)});
    said[3] = Invoke(object, kMessageDispatchId, CallKind::kMethod, {});
    for (std::string& line : said) line = line.substr(line.find(':') + 1);  // "ok Text:x" → "x"
    EXPECT_EQ(runtime::TextView(text_var->text), expression);
  }
  return said[0] + " '" + said[1] + "' '" + said[2] + "' '" + said[3] + "' " +
         ToUtf8(cities.recorder.CallTrace());
}

using DualInterfaceTest = testing::ServerTest;

TEST_F(DualInterfaceTest, EveryWayOfCallingGivesWhatTheEvaluatorGives) {
  Ref<_PeltExpressionEvaluator> object = CreateEvaluator();
  ASSERT_TRUE(object);
  for (std::u16string_view expression :
       {u"Page $$PAGE_NUMBER: [NAME].UCase", u"[NAME] has [POP] people",
        u"[name].Left(2) <BOL>$$TITLE</BOL>", u"[MISSING]", u"[Shape]", u"[NAME", u"NAME]",
        u"[NAME].Nonsense(", u"", u"$$", u"Text only"}) {
    for (std::optional<std::size_t> row : {std::optional<std::size_t>(0), {1}, {}}) {
      const std::string direct = VerifyAndLabel(*object.get(), Way::kDirect, expression, row);
      for (Way way : {Way::kEarlyBound, Way::kLateByValue, Way::kLateByReference}) {
        SCOPED_TRACE(ToUtf8(expression) + " row " + (row ? std::to_string(*row) : "none") +
                     " way " + std::to_string(static_cast<int>(way)));
        EXPECT_EQ(VerifyAndLabel(*object.get(), way, expression, row), direct);
      }
    }
  }
}

// ShowMessages crosses as a 16-bit Boolean: any non-zero number written is
// true, and true reads back as -1, whichever binding writes or reads it.
TEST_F(DualInterfaceTest, ShowMessagesTakesAnyNonZeroNumberAsTrue) {
  Ref<_PeltExpressionEvaluator> object = CreateEvaluator();
  ASSERT_TRUE(object);
  const DispatchId show = kShowMessagesDispatchId;
  // What an early-bound and a late-bound read give.
  const auto read = [&] {
    runtime::Boolean value = 7;
    EXPECT_EQ(object->ShowMessages(&value), Result::kOk);
    return std::to_string(value) + " " +
           Invoke(*object.get(), show, CallKind::kMethod | CallKind::kGet, {});
  };
  EXPECT_EQ(read(), "0 ok Boolean:0");  // off when new
  const runtime::Boolean early_writes[] = {1, 0, -1, 0, 2};
  for (runtime::Boolean written : early_writes) {
    ASSERT_EQ(object->ShowMessages(written), Result::kOk);
    EXPECT_EQ(read(), written != 0 ? "-1 ok Boolean:-1" : "0 ok Boolean:0") << written;
  }
  const auto number = [](VariantType type, std::int16_t n) {
    Variant v;
    v.type = type;
    (type == VariantType::kBoolean ? v.boolean : v.integer) = n;
    return v;
  };
  const std::pair<Variant, bool> writes[] = {
      {number(VariantType::kBoolean, -1), true}, {number(VariantType::kBoolean, 0), false},
      {number(VariantType::kBoolean, 1), true},  {number(VariantType::kInteger, 0), false},
      {number(VariantType::kInteger, 1), true},  {runtime::MakeLongVariant(0), false},
      {runtime::MakeLongVariant(65536), true}};
  for (std::size_t i = 0; i < std::size(writes); ++i) {
    EXPECT_EQ(Invoke(*object.get(), show, CallKind::kPut, {writes[i].first}), "ok Empty") << i;
    EXPECT_EQ(read(), writes[i].second ? "-1 ok Boolean:-1" : "0 ok Boolean:0") << i;
  }
}

TEST_F(DualInterfaceTest, MembersAreFoundByNameWithoutRegardToCase) {
  Ref<Dispatch> object = CreateEvaluator().As<Dispatch>();
  ASSERT_TRUE(object);
  const std::u16string_view names[] = {
      u"showmessages",     u"MESSAGE", u"makeLabel", u"EditExpression",
      u"verifyexpression", u"Verify",  u"",          u"MakeLabel "};
  std::vector<DispatchId> expected = {kShowMessagesDispatchId, kMessageDispatchId,
                                      kMakeLabelDispatchId, kEditExpressionDispatchId,
                                      kVerifyExpressionDispatchId};
  expected.resize(std::size(names), runtime::kUnknownMember);  // the rest are unknown
  std::vector<OwnedText> owned(std::begin(names), std::end(names));
  std::vector<Text> texts;
  for (const OwnedText& text : owned) texts.push_back(text.get());
  std::vector<DispatchId> ids(texts.size(), 12345);
  // Every name is looked up; any unknown one fails the call.
  EXPECT_EQ(object->MemberIds(texts.data(), static_cast<std::uint32_t>(texts.size()), ids.data()),
            Result::kMemberNotFound);
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(object->MemberIds(texts.data(), 5, ids.data()), Result::kOk);  // the known ones
  EXPECT_EQ(object->MemberIds(nullptr, 0, nullptr), Result::kOk);
  EXPECT_EQ(object->MemberIds(nullptr, 1, ids.data()), Result::kInvalidPointer);
}

template <class... V>
std::vector<Variant> Args(V... values) {
  return {values...};
}

// A collection whose every call fails, as a broken host's might, counting
// the reads made of it.
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
  Result Count(std::int32_t*) override { return Read(); }
  Result ItemAt(std::int32_t, Variant*) override { return Read(); }
  Result KeyAt(std::int32_t, Text*) override { return Read(); }
  Result ItemByKey(const char16_t*, Variant*) override { return Read(); }
  Result Add(const Variant*, const char16_t*) override { return Read(); }
  Result Read() {
    ++reads;
    return Result::kFailed;
  }
  std::uint32_t refs = 1;
  int reads = 0;
};

// Late-bound calls made in order on one object, each with its outcome.
TEST_F(DualInterfaceTest, LateBoundCallsSucceedOrFailWithARecord) {
  Ref<Dispatch> object = CreateEvaluator().As<Dispatch>();
  ASSERT_TRUE(object);
  Cities cities;
  Ref<HostTableObject> served_table = cities.Table();
  Ref<HostRowObject> served_row = cities.Row(0);
  FailingCollection failing;
  const auto tbl = [&] { return runtime::MakeObjectVariant(served_table.get()); };
  const auto row = [&] { return runtime::MakeObjectVariant(served_row.get()); };
  const auto text = [](std::u16string_view t) { return runtime::MakeTextVariant(t); };
  const auto gone = [&] { return runtime::MakeObjectVariant(&failing); };
  Variant null;
  null.type = VariantType::kNull;
  Variant broken;
  broken.type = VariantType::kReference;
  const Variant empty{};
  const DispatchId verify = kVerifyExpressionDispatchId;
  const DispatchId label = kMakeLabelDispatchId;
  const DispatchId show = kShowMessagesDispatchId;
  const DispatchId message = kMessageDispatchId;
  const CallKind put = CallKind::kPut;
  const CallKind method = CallKind::kMethod;
  const std::string mismatch = "type mismatch arg ";
  const std::string of_verify = " of VerifyExpression must be ";
  struct Row {
    int line;
    runtime::DispatchId id;
    CallKind kind;
    std::vector<Variant> arguments;
    std::string expected;
  } rows[] = {
      {__LINE__, 0x60030005, method, Args(),
       "member not found: PeltExpressionEvaluator has no member with dispatch identifier "
       "1610809349."},
      {__LINE__, verify, method, Args(tbl()),
       "bad argument count: VerifyExpression takes 2 arguments, not 1."},
      {__LINE__, show, put, Args(), "bad argument count: ShowMessages takes 1 argument, not 0."},
      {__LINE__, verify, method, Args(text(u"t"), text(u"x")),
       mismatch + "1: Argument 1 (pTable)" + of_verify + "an object, not Text."},
      {__LINE__, verify, method, Args(tbl(), runtime::MakeLongVariant(5)),
       mismatch + "2: Argument 2 (pExpression)" + of_verify + "Text, not Long."},
      {__LINE__, verify, method, Args(row(), text(u"x")),
       mismatch + "1: Argument 1 (pTable)" + of_verify +
           "a host table, not an object of another kind."},
      {__LINE__, verify, method, Args(broken, text(u"x")),
       mismatch + "1: Argument 1 (pTable)" + of_verify +
           "a value or a reference to one, not a broken reference."},
      {__LINE__, show, put, Args(null),
       mismatch + "1: Argument 1 (DisplayMessages) of ShowMessages must be Boolean, not Null."},
      {__LINE__, message, put, Args(text(u"x")), "bad call kind: Message is a read-only property."},
      {__LINE__, verify, method | put, Args(empty, empty),
       "bad call kind: VerifyExpression is a method."},
      {__LINE__, show, CallKind{}, Args(), "bad call kind: ShowMessages is read or written."},
      {__LINE__, message, method, Args(), "ok Text:"},  // the refused calls changed nothing
      // Empty and null variants are "no object"; an empty expression is "".
      {__LINE__, verify, method, Args(null, empty), "ok Boolean:0"},
      {__LINE__, label, method, Args(empty, null, text(u"Text only"), null), "ok Text:Text only"},
      // A look-up in a failing collection gives "", as a missing word does;
      // EditExpression reports its failures itself and gives "".
      {__LINE__, label, method, Args(empty, empty, text(u"p. $$PAGE"), gone()), "ok Text:p. "},
      {__LINE__, kEditExpressionDispatchId, method, Args(empty, text(u""), empty, gone()),
       "ok Text:"},
  };
  for (Row& r : rows) {
    SCOPED_TRACE(r.line);
    EXPECT_EQ(Invoke(*object.get(), r.id, r.kind, std::move(r.arguments)), r.expected);
  }
  // Null arrays and records are handled, not followed.
  EXPECT_EQ(object->Call(message, CallKind::kGet, nullptr, 1, nullptr, nullptr),
            Result::kInvalidPointer);
  EXPECT_EQ(object->Call(message, CallKind::kGet, nullptr, 0, nullptr, nullptr), Result::kOk);
  EXPECT_EQ(object->Call(12, CallKind::kGet, nullptr, 0, nullptr, nullptr),
            Result::kMemberNotFound);
  object.Reset();
  EXPECT_EQ(failing.refs, 1u);  // every reference taken was given back
}

TEST_F(DualInterfaceTest, EarlyBoundSlotsRefuseAbsentVariablesAndReadCollectionsOnlyWhenAsked) {
  Ref<_PeltExpressionEvaluator> e = CreateEvaluator();
  ASSERT_TRUE(e);
  HostTableObject* no_table = nullptr;
  HostRowObject* no_row = nullptr;
  CollectionObject* no_values = nullptr;
  Text no_text = nullptr;  // the empty text
  runtime::Boolean verdict = 0;
  OwnedText label;
  EXPECT_EQ(e->EditExpression(&no_table, &no_text, &no_values, &no_values, label.Put()),
            Result::kOk);
  const Result refused[] = {
      e->VerifyExpression(nullptr, &no_text, &verdict),
      e->VerifyExpression(&no_table, nullptr, &verdict),
      e->VerifyExpression(&no_table, &no_text, nullptr),
      e->MakeLabel(&no_table, nullptr, &no_text, &no_values, label.Put()),
      e->MakeLabel(&no_table, &no_row, &no_text, &no_values, nullptr),
      e->EditExpression(&no_table, &no_text, nullptr, &no_values, label.Put()),
      e->Message(nullptr),
      e->ShowMessages(nullptr),
  };
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    EXPECT_EQ(refused[i], Result::kInvalidPointer) << "call " << i;
  }
  // The caller's collection is read only for a reserved word, and a failed
  // look-up is the word's "", not the call's failure.
  FailingCollection failing;
  CollectionObject* failing_variable = &failing;
  OwnedText expression(u"p. $$PAGE");
  Text with_word = expression.get();
  EXPECT_EQ(e->MakeLabel(&no_table, &no_row, &no_text, &failing_variable, label.Put()),
            Result::kOk);
  EXPECT_EQ(failing.reads, 0);
  EXPECT_EQ(e->MakeLabel(&no_table, &no_row, &with_word, &failing_variable, label.Put()),
            Result::kOk);
  EXPECT_EQ(runtime::TextView(label.get()), u"p. ");
  EXPECT_EQ(failing.reads, 1);
  e.Reset();
  EXPECT_EQ(failing.refs, 1u);
}

}  // namespace
}  // namespace pelt::server
