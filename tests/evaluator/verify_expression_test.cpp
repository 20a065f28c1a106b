#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pelt/errors/error_handling.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "support/dump.h"
#include "support/recording_message_boxes.h"
#include "support/recording_table.h"

namespace pelt::evaluator {
namespace {

using host::FieldType;
using host::MemoryTable;
using testing::Dump;
using testing::Operation;
using testing::RecordingTable;
using testing::U8;

constexpr std::u16string_view kParsed = u"Successfully created formatting statement";

MemoryTable MakeTable() {
  return MemoryTable({{u"NAME", FieldType::kString},
                      {u"POP", FieldType::kInteger},
                      {u"SHAPE", FieldType::kGeometry},
                      {u"DATA", FieldType::kBlob},
                      {u"OID", FieldType::kObjectId},
                      {u"ODD", static_cast<FieldType>(42)},
                      {u"ST\u00c4DT", FieldType::kString}});
}

// Boxes shown during the test go to a recorder.
class VerifyExpressionTest : public ::testing::Test {
 protected:
  testing::RecordingMessageBoxes boxes_;
  ui::ScopedMessageBoxes scope_{boxes_};
  MemoryTable memory_ = MakeTable();
  RecordingTable table_{memory_};
  PeltExpressionEvaluator evaluator_;
};

// Each field is bound in order with four host calls; the first bad field
// ends the verification, and a failed scan binds nothing.
TEST_F(VerifyExpressionTest, BindsFieldsToTheTableInOrder) {
  struct Row {
    int line;
    std::u16string_view expression;
    bool with_table;
    std::u16string_view message;
    std::string trace;
  };
  const Row rows[] = {
      {__LINE__, u"a [name].UCase b [Pop] c", true, kParsed,  // the table matches names
       "IndexOfField(name) FieldList FieldAt(0) FieldTypeCode(NAME) "
       "IndexOfField(Pop) FieldList FieldAt(1) FieldTypeCode(POP)"},
      {__LINE__, u"[NAME][NAME]", true, kParsed,
       "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME) "
       "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME)"},
      {__LINE__, u"[OID][ODD][ST\u00e4dt]", true, kParsed,  // any other type code
       "IndexOfField(OID) FieldList FieldAt(4) FieldTypeCode(OID) "
       "IndexOfField(ODD) FieldList FieldAt(5) FieldTypeCode(ODD) "
       "IndexOfField(ST\u00e4dt) FieldList FieldAt(6) FieldTypeCode(ST\u00c4DT)"},
      {__LINE__, u"only $$TEXT", true, u"Expression is Valid!", ""},
      {__LINE__, u"Page $$PAGE_NUMBER", false, u"Expression is Valid!", ""},
      {__LINE__, u"x [ NAME ]", false, u"Field \"[ NAME ]\" is invalid in scope of expression!",
       ""},
      {__LINE__, u"[ name ][POP]", true, u"Field \" name \" does not exist in attribute table!",
       "IndexOfField( name )"},
      {__LINE__, u"[SHAPE][POP]", true,
       u"Field \"SHAPE\": geometry and blob field types are not supported by this tool!",
       "IndexOfField(SHAPE) FieldList FieldAt(2) FieldTypeCode(SHAPE)"},
      {__LINE__, u"[NAME] [data].Left(2)", true,
       u"Field \"data\": geometry and blob field types are not supported by this tool!",
       "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME) "
       "IndexOfField(data) FieldList FieldAt(3) FieldTypeCode(DATA)"},
      {__LINE__, u"[NAME] [POP].Left(x)", true,
       u"Improper \".Left(0)\" formatting statement after [POP] Field!", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    table_.ClearCalls();
    const std::u16string expression(row.expression);
    const Boolean result =
        evaluator_.VerifyExpression(row.with_table ? &table_ : nullptr, expression);
    EXPECT_EQ(result, ToBoolean(row.message == kParsed || row.message == u"Expression is Valid!"));
    EXPECT_EQ(U8(evaluator_.Message()), U8(row.message));
    EXPECT_EQ(U8(table_.CallTrace()), row.trace);
    EXPECT_EQ(expression, row.expression);
  }
  EXPECT_TRUE(boxes_.events().empty()) << "ShowMessages is off";
}

// Field indices from the host are narrowed to 16 bits.
TEST_F(VerifyExpressionTest, RefusesFieldIndicesBeyondSixteenBits) {
  const std::pair<std::int32_t, bool> rows[] = {
      {32767, true}, {32768, false}, {-32768, true}, {-32769, false}};
  for (const auto& [pop_index, valid] : rows) {
    SCOPED_TRACE(pop_index);
    table_.SetIndexBase(pop_index - 1);  // POP is the second field
    EXPECT_EQ(evaluator_.VerifyExpression(&table_, u"[POP]"), ToBoolean(valid));
    EXPECT_EQ(U8(evaluator_.Message()), valid ? U8(kParsed) : "Overflow");
  }
}

// Every host call of a valid expression, failed in turn, ends the
// verification with the failure's description and nothing escapes.
TEST_F(VerifyExpressionTest, TurnsEveryHostFailureIntoAMessage) {
  const std::u16string expression = u"[NAME].Left(2) and [POP]";
  ASSERT_EQ(evaluator_.VerifyExpression(&table_, expression), kTrue);
  const std::vector<RecordingTable::Call> calls = table_.calls();
  ASSERT_EQ(calls.size(), 8u);
  evaluator_.ShowMessages(kTrue);
  for (std::size_t n = 1; n <= calls.size(); ++n) {
    const Operation op = calls[n - 1].op;
    for (const bool described : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "call " << n << " " << U8(testing::OperationName(op))
                                        << (described ? "" : " without description"));
      boxes_.Clear();
      table_.FailCall(std::nullopt, static_cast<std::int64_t>(n),
                      described ? RecordingTable::InjectedFailure(op)
                                : errors::Status(91, u"RecordingTable", u""));
      EXPECT_EQ(evaluator_.VerifyExpression(&table_, expression), kFalse);
      const std::string message = described
                                      ? "Injected failure of " + U8(testing::OperationName(op))
                                      : "Unknown Error in VerifyExpression!";
      EXPECT_EQ(U8(evaluator_.Message()), message);
      ASSERT_EQ(boxes_.events().size(), 1u);
      EXPECT_EQ(U8(boxes_.events()[0].text), message);
      EXPECT_EQ(U8(boxes_.events()[0].title), "Invalid Expression!");
      EXPECT_EQ(boxes_.events()[0].style, ui::MessageBoxStyle::kCritical);
    }
  }
  table_.ClearFault();
  EXPECT_EQ(evaluator_.VerifyExpression(&table_, expression), kTrue);
}

// A table whose objects are missing although its calls succeed: no field
// list, or a list whose fields are missing.
class HollowTable final : public host::HostTable, public host::HostFields {
 public:
  explicit HollowTable(bool with_fields) : with_fields_(with_fields) {}
  errors::Status FieldList(host::HostFields*& fields) override {
    fields = with_fields_ ? this : nullptr;
    return {};
  }
  errors::Status IndexOfField(std::u16string_view, std::int32_t& index) override {
    index = 0;
    return {};
  }
  errors::Status FieldCount(std::int32_t& count) override {
    count = 1;
    return {};
  }
  errors::Status FieldAt(std::int32_t, host::HostField*& field) override {
    field = nullptr;
    return {};
  }

 private:
  bool with_fields_;
};

TEST_F(VerifyExpressionTest, TreatsMissingHostObjectsAsFailures) {
  for (const bool with_fields : {false, true}) {
    SCOPED_TRACE(with_fields);
    HollowTable table(with_fields);
    EXPECT_EQ(evaluator_.VerifyExpression(&table, u"[A]"), kFalse);
    EXPECT_EQ(U8(evaluator_.Message()), "Object required");
  }
}

// The verdict's box only when asked; the listing is for the box alone (the
// listings of longer expressions are in the pelt-label verify transcript).
TEST_F(VerifyExpressionTest, ShowsTheVerdictOnlyWhenAsked) {
  const std::pair<std::u16string_view, const char*> rows[] = {
      {u"[NAME]", "Labeling Instructions:\r\n\tPUT\tFIELD:NAME,NONE\r\n"},
      {u"[SHAPE]",
       "Field \"SHAPE\": geometry and blob field types are not supported by this tool!"},
  };
  for (const auto& [expression, text] : rows) {
    SCOPED_TRACE(U8(expression));
    const bool valid = expression == u"[NAME]";
    for (const Boolean show : {kFalse, kTrue}) {
      boxes_.Clear();
      evaluator_.ShowMessages(show);
      EXPECT_EQ(evaluator_.VerifyExpression(&table_, std::u16string(expression)), ToBoolean(valid));
      ASSERT_EQ(boxes_.events().size(), show == kTrue ? 1u : 0u);
      if (show == kFalse) continue;
      const testing::RecordingMessageBoxes::Event& box = boxes_.events()[0];
      EXPECT_EQ(box.style,
                valid ? ui::MessageBoxStyle::kInformation : ui::MessageBoxStyle::kCritical);
      EXPECT_EQ(U8(box.title), valid ? "Valid Expression" : "Invalid Expression!");
      EXPECT_EQ(U8(box.text), text);
      EXPECT_EQ(U8(evaluator_.Message()) == U8(box.text), !valid);
    }
  }
}

TEST_F(VerifyExpressionTest, EachVerificationReplacesTheLast) {
  EXPECT_EQ(evaluator_.VerifyExpression(&table_, u"a[NAME]b"), kTrue);
  EXPECT_EQ(Dump(evaluator_.Tokens()), "Text{a} | Field{NAME} | Text{b}");
  EXPECT_EQ(evaluator_.VerifyExpression(&table_, u"[MISSING] x"), kFalse);
  EXPECT_EQ(Dump(evaluator_.Tokens()), "Field{MISSING} | Text{ x}");
  EXPECT_EQ(U8(evaluator_.Message()), "Field \"MISSING\" does not exist in attribute table!");
  EXPECT_EQ(evaluator_.VerifyExpression(&table_, u"]"), kFalse);
  EXPECT_EQ(Dump(evaluator_.Tokens()), "");
  EXPECT_EQ(evaluator_.VerifyExpression(nullptr, u"$$X"), kTrue);
  EXPECT_EQ(Dump(evaluator_.Tokens()), "Word{X}");
  EXPECT_EQ(U8(evaluator_.Message()), "Expression is Valid!");
}

}  // namespace
}  // namespace pelt::evaluator
