#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pelt/errors/error_handling.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "support/dump.h"

namespace pelt::evaluator {
namespace {

using host::FieldType;
using host::MemoryTable;
using host::Operation;
using testing::Dump;
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
  ui::RecordingMessageBoxes boxes_;
  ui::ScopedMessageBoxes scope_{boxes_};
  MemoryTable table_ = MakeTable();
  PeltExpressionEvaluator evaluator_;
};

TEST_F(VerifyExpressionTest, BindsFieldsToTheTable) {
  struct Row {
    int line;
    std::u16string_view expression;
    bool with_table;
    bool valid;
    std::u16string_view message;
  };
  const Row rows[] = {
      {__LINE__, u"[NAME]", true, true, kParsed},
      {__LINE__, u"[name].UCase [Pop]", true, true, kParsed},      // the table matches names
      {__LINE__, u"[OID][ODD][ST\u00e4dt]", true, true, kParsed},  // any other type code
      {__LINE__, u"Page $$PAGE_NUMBER", false, true, u"Expression is Valid!"},
      {__LINE__, u"Page $$PAGE_NUMBER", true, true, u"Expression is Valid!"},
      {__LINE__, u"[NAME]", false, false, u"Field \"[NAME]\" is invalid in scope of expression!"},
      {__LINE__, u"x [ NAME ]", false, false,
       u"Field \"[ NAME ]\" is invalid in scope of expression!"},
      {__LINE__, u"[MISSING]", true, false,
       u"Field \"MISSING\" does not exist in attribute table!"},
      {__LINE__, u"[ NAME ]", true, false, u"Field \" NAME \" does not exist in attribute table!"},
      {__LINE__, u"[SHAPE]", true, false,
       u"Field \"SHAPE\": geometry and blob field types are not supported by this tool!"},
      {__LINE__, u"[NAME] [data].Left(2)", true, false,
       u"Field \"data\": geometry and blob field types are not supported by this tool!"},
      {__LINE__, u"[A][DATA]", true, false, u"Field \"A\" does not exist in attribute table!"},
      {__LINE__, u"", true, false, u"Expression is empty."},
      {__LINE__, u"[NAME", true, false, u"Missing close bracket(\"]\") on field name."},
      {__LINE__, u"[NAME].Left(x)", true, false,
       u"Improper \".Left(0)\" formatting statement after [NAME] Field!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::u16string expression(row.expression);
    const Boolean result =
        evaluator_.VerifyExpression(row.with_table ? &table_ : nullptr, expression);
    EXPECT_EQ(result, ToBoolean(row.valid));
    EXPECT_EQ(U8(evaluator_.Message()), U8(row.message));
    EXPECT_EQ(expression, row.expression);
  }
  EXPECT_TRUE(boxes_.events().empty()) << "ShowMessages is off";
}

TEST_F(VerifyExpressionTest, CallsTheHostInOrderAndStopsAtTheFirstBadField) {
  struct Row {
    int line;
    std::u16string_view expression;
    std::string trace;
  };
  const Row rows[] = {
      {__LINE__, u"a [NAME].UCase b [POP] c",
       "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME) "
       "IndexOfField(POP) FieldList FieldAt(1) FieldTypeCode(POP)"},
      {__LINE__, u"[NAME][NAME]",
       "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME) "
       "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME)"},
      {__LINE__, u"[ name ][POP]", "IndexOfField( name )"},
      {__LINE__, u"[SHAPE][POP]", "IndexOfField(SHAPE) FieldList FieldAt(2) FieldTypeCode(SHAPE)"},
      {__LINE__, u"only $$TEXT", ""},
      {__LINE__, u"[NAME] [POP", ""},  // a failed scan binds nothing
  };
  table_.RecordCalls(true);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    table_.ClearCalls();
    (void)evaluator_.VerifyExpression(&table_, std::u16string(row.expression));
    EXPECT_EQ(U8(table_.CallTrace()), row.trace);
  }
}

// Field indices from the host are narrowed to 16 bits.
TEST_F(VerifyExpressionTest, RefusesFieldIndicesBeyondSixteenBits) {
  struct Row {
    int line;
    std::int32_t index_base;
    bool valid;
    std::u16string_view message;
  };
  const Row rows[] = {
      {__LINE__, 32767 - 1, true, kParsed},  // POP is the second field
      {__LINE__, 32768 - 1, false, u"Overflow"},
      {__LINE__, -32768 - 1, true, kParsed},
      {__LINE__, -32769 - 1, false, u"Overflow"},
  };
  evaluator_.ShowMessages(kTrue);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    boxes_.Clear();
    table_.SetIndexBase(row.index_base);
    EXPECT_EQ(evaluator_.VerifyExpression(&table_, u"[POP]"), ToBoolean(row.valid));
    EXPECT_EQ(U8(evaluator_.Message()), U8(row.message));
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(U8(boxes_.Boxes()[0].title), row.valid ? "Valid Expression" : "Invalid Expression!");
  }
}

// Every host call of a valid expression, failed in turn, ends the
// verification with the failure's description and nothing escapes.
TEST_F(VerifyExpressionTest, TurnsEveryHostFailureIntoAMessage) {
  const std::u16string expression = u"[NAME].Left(2) and [POP]";
  table_.RecordCalls(true);
  ASSERT_EQ(evaluator_.VerifyExpression(&table_, expression), kTrue);
  const std::vector<MemoryTable::Call> calls = table_.calls();
  ASSERT_EQ(calls.size(), 8u);
  evaluator_.ShowMessages(kTrue);
  for (std::size_t n = 1; n <= calls.size(); ++n) {
    const Operation op = calls[n - 1].op;
    for (const bool described : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "call " << n << " " << U8(host::OperationName(op))
                                        << (described ? "" : " without description"));
      boxes_.Clear();
      table_.FailCall(
          std::nullopt, static_cast<std::int64_t>(n),
          described ? MemoryTable::InjectedFailure(op) : errors::Status(91, u"MemoryTable", u""));
      EXPECT_EQ(evaluator_.VerifyExpression(&table_, expression), kFalse);
      const std::string message = described ? "Injected failure of " + U8(host::OperationName(op))
                                            : "Unknown Error in VerifyExpression!";
      EXPECT_EQ(U8(evaluator_.Message()), message);
      ASSERT_EQ(boxes_.events().size(), 1u);
      EXPECT_EQ(U8(boxes_.events()[0].text), message);
      EXPECT_EQ(U8(boxes_.events()[0].title), "Invalid Expression!");
      EXPECT_EQ(boxes_.events()[0].style, ui::MessageBoxStyle::kCritical);
    }
  }
  // Failures of one operation at a time, at each of its call positions.
  for (const Operation op : {Operation::kIndexOfField, Operation::kFieldList, Operation::kFieldAt,
                             Operation::kFieldTypeCode}) {
    for (std::int64_t n = 1; n <= 2; ++n) {
      SCOPED_TRACE(::testing::Message() << U8(host::OperationName(op)) << " call " << n);
      table_.FailCall(op, n, MemoryTable::InjectedFailure(op));
      EXPECT_EQ(evaluator_.VerifyExpression(&table_, expression), kFalse);
      EXPECT_EQ(U8(evaluator_.Message()), "Injected failure of " + U8(host::OperationName(op)));
    }
  }
  table_.ClearFault();
  EXPECT_EQ(evaluator_.VerifyExpression(&table_, expression), kTrue);
}

// A table whose objects are missing although its calls succeed.
class HollowTable final : public host::HostTable {
 public:
  explicit HollowTable(bool with_fields) : with_fields_(with_fields) {}
  errors::Status FieldList(host::HostFields*& fields) override {
    fields = with_fields_ ? &fields_ : nullptr;
    return {};
  }
  errors::Status IndexOfField(std::u16string_view, std::int32_t& index) override {
    index = 0;
    return {};
  }

 private:
  class NoFields final : public host::HostFields {
   public:
    errors::Status FieldCount(std::int32_t& count) override {
      count = 1;
      return {};
    }
    errors::Status FieldAt(std::int32_t, host::HostField*& field) override {
      field = nullptr;
      return {};
    }
  };
  bool with_fields_;
  NoFields fields_;
};

TEST_F(VerifyExpressionTest, TreatsMissingHostObjectsAsFailures) {
  for (const bool with_fields : {false, true}) {
    SCOPED_TRACE(with_fields);
    HollowTable table(with_fields);
    EXPECT_EQ(evaluator_.VerifyExpression(&table, u"[A]"), kFalse);
    EXPECT_EQ(U8(evaluator_.Message()), "Object required");
  }
}

TEST_F(VerifyExpressionTest, ShowsTheVerdictOnlyWhenAsked) {
  struct Row {
    int line;
    std::u16string_view expression;
    ui::MessageBoxStyle style;
    std::u16string_view title;
    std::u16string_view text;
  };
  const Row rows[] = {
      {__LINE__, u"Page [NAME].UCase.Left(2) $$PAGE_NUMBER", ui::MessageBoxStyle::kInformation,
       u"Valid Expression",
       u"Labeling Instructions:\r\n"
       u"\tPUT\tTEXT:\"Page \"\r\n"
       u"\tAND\tFIELD:NAME,UCase\r\n"
       u"\t\t\tFORMAT:Left,2,\r\n"
       u"\tAND\tTEXT:\" \"\r\n"
       u"\tAND\tRESERVEDWORD:PAGE_NUMBER\r\n"},
      {__LINE__, u"[NAME]", ui::MessageBoxStyle::kInformation, u"Valid Expression",
       u"Labeling Instructions:\r\n\tPUT\tFIELD:NAME,NONE\r\n"},
      {__LINE__, u"[name].Replace(o,xx).Mid(7,3).Format(0.00)$$", ui::MessageBoxStyle::kInformation,
       u"Valid Expression",
       u"Labeling Instructions:\r\n"
       u"\tPUT\tFIELD:name,Replace\r\n"
       u"\t\t\tFORMAT:Mid,7,3\r\n"
       u"\t\t\tFORMAT:Format,0.00,\r\n"
       u"\tAND\tTEXT:\"$$\"\r\n"},
      {__LINE__, u"\"quoted\"\t$$dots", ui::MessageBoxStyle::kInformation, u"Valid Expression",
       u"Labeling Instructions:\r\n"
       u"\tPUT\tTEXT:\"\"quoted\"\t\"\r\n"
       u"\tAND\tTEXT:\"$$\"\r\n"
       u"\tAND\tTEXT:\"dots\"\r\n"},
      {__LINE__, u"[SHAPE]", ui::MessageBoxStyle::kCritical, u"Invalid Expression!",
       u"Field \"SHAPE\": geometry and blob field types are not supported by this tool!"},
      {__LINE__, u"[]", ui::MessageBoxStyle::kCritical, u"Invalid Expression!",
       u"Empty Field name brackets (\"[ ]\")!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::u16string expression(row.expression);
    for (const Boolean show : {kFalse, kTrue}) {
      boxes_.Clear();
      evaluator_.ShowMessages(show);
      const Boolean result = evaluator_.VerifyExpression(&table_, expression);
      EXPECT_EQ(result, ToBoolean(row.style == ui::MessageBoxStyle::kInformation));
      if (show == kFalse) {
        EXPECT_TRUE(boxes_.events().empty());
        continue;
      }
      ASSERT_EQ(boxes_.events().size(), 1u);
      const ui::RecordingMessageBoxes::Event& box = boxes_.events()[0];
      EXPECT_EQ(box.style, row.style);
      EXPECT_EQ(U8(box.title), U8(row.title));
      EXPECT_EQ(U8(box.text), U8(row.text));
      // The listing is for the box only; the message keeps the scanner's text.
      if (result == kTrue) {
        EXPECT_NE(U8(evaluator_.Message()), U8(box.text));
      }
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
