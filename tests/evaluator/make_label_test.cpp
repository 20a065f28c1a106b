#include <gtest/gtest.h>

#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/locale.h"
#include "support/dump.h"
#include "support/recording_message_boxes.h"
#include "support/recording_table.h"

namespace pelt::evaluator {
namespace {

using host::FieldType;
using host::MemoryTable;
using testing::Operation;
using testing::RecordingTable;
using testing::U8;
using value::Variant;

class MakeLabelTest : public ::testing::Test {
 protected:
  MakeLabelTest()
      : memory_({{u"NAME", FieldType::kString},
                 {u"POP", FieldType::kInteger},
                 {u"X", FieldType::kDouble},
                 {u"Shape", FieldType::kGeometry}}) {
    value::SetUserLocaleOverride("en_US");
    memory_.AddRow({Variant::FromText(u"Ab"), Variant::FromLong(1234567), Variant::Null()});
    EXPECT_EQ(words_->Add(Variant::FromText(u"Page 3"), u"PAGE_NUMBER"), value::ErrorCode::kNone);
    EXPECT_EQ(words_->Add(Variant::Null(), u"NOTHING"), value::ErrorCode::kNone);
    EXPECT_EQ(words_->Add(Variant::FromDouble(2.5), u"RATIO"), value::ErrorCode::kNone);
  }
  ~MakeLabelTest() override { value::ClearUserLocaleOverride(); }

  std::string Label(std::u16string_view expression) {
    return U8(evaluator_.MakeLabel(&table_, FirstRow(), std::u16string(expression), words_));
  }

  host::HostRow* FirstRow() { return &table_.Row(memory_.Row(0)); }

  MemoryTable memory_;
  RecordingTable table_{memory_};
  std::shared_ptr<value::Collection> words_ = std::make_shared<value::Collection>();
  testing::RecordingMessageBoxes boxes_;
  ui::ScopedMessageBoxes scope_{boxes_};
  PeltExpressionEvaluator evaluator_;
};

TEST_F(MakeLabelTest, AssemblesFieldsWordsAndText) {
  struct Row {
    int line;
    std::u16string_view expression;
    const char* label;
  } rows[] = {
      {__LINE__, u"[NAME].UCase-[NAME].LCase", "AB-ab"},
      {__LINE__, u"A[X]B", "AB"},
      {__LINE__, u"[X].UCase|", "|"},
      {__LINE__, u"Page $$page_number", "Page Page 3"},
      {__LINE__, u"Page $$MISSING.", "Page ."},
      {__LINE__, u"<$$NOTHING>", "<>"},
      {__LINE__, u"$$RATIO", "2.5"},
      {__LINE__, u"<BOL>[POP].FormatNumber(0)</BOL>", "<BOL>1,234,567</BOL>"},
      {__LINE__, u"[NAME].Spaces(1).Trim.Replace( ,_)", "A_b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Label(row.expression), row.label);
    // The view is the same label, without the copy.
    EXPECT_EQ(U8(evaluator_.MakeLabelView(&table_, FirstRow(), row.expression, words_)), row.label);
    EXPECT_TRUE(evaluator_.LastCallSucceeded());
  }
  EXPECT_TRUE(boxes_.events().empty());
}

TEST_F(MakeLabelTest, ReadsEachDistinctFieldOnceBeforeAssembling) {
  // Verification binds every field token; assembly reads each name once. A
  // repeated expression makes the same calls again.
  for (int time = 1; time <= 2; ++time) {
    SCOPED_TRACE(time);
    table_.ClearCalls();
    EXPECT_EQ(Label(u"[NAME]-[POP]-[name].Left(1)"), "Ab-1234567-A");
    EXPECT_EQ(U8(table_.CallTrace()),
              "IndexOfField(NAME) FieldList FieldAt(0) FieldTypeCode(NAME) "
              "IndexOfField(POP) FieldList FieldAt(1) FieldTypeCode(POP) "
              "IndexOfField(name) FieldList FieldAt(0) FieldTypeCode(NAME) "
              "IndexOfField(NAME) ValueAt(0) IndexOfField(POP) ValueAt(1)");
  }
}

TEST_F(MakeLabelTest, RepeatedExpressionFollowsALocaleChange) {
  // "1,5" is fifteen in English and one and a half (rounded to 2) in German.
  EXPECT_EQ(Label(u"[POP].Left(1,5)"), "1234567");
  value::SetUserLocaleOverride("de_DE");
  EXPECT_EQ(Label(u"[POP].Left(1,5)"), "12");
  EXPECT_EQ(U8(evaluator_.Message()), "Successfully created formatting statement");
  EXPECT_EQ(Label(u"[NOPE]"), "");
  EXPECT_EQ(Label(u"[POP].Left(1,5)"), "12");
  EXPECT_EQ(U8(evaluator_.Message()), "Successfully created formatting statement");
}

TEST_F(MakeLabelTest, NeedsNoTableRowOrWordsWithoutFieldsAndWords) {
  EXPECT_EQ(U8(evaluator_.MakeLabel(nullptr, nullptr, u"just <ITA>text</ITA>", nullptr)),
            "just <ITA>text</ITA>");
  EXPECT_EQ(U8(evaluator_.MakeLabel(nullptr, nullptr, u"p. $$PAGE", nullptr)), "p. ");
}

// A failure gives "" and its message; with ShowMessages on, verification's
// box comes first and MakeLabel's own second. A label adds no box of its own.
TEST_F(MakeLabelTest, FailuresGiveEmptyLabelAndMessage) {
  struct Row {
    int line;
    std::u16string_view expression;
    bool null_row;
    std::optional<errors::Status> fault;  // of the first ValueAt
    const char* message;
    const char* first_box_title;
  } rows[] = {
      {__LINE__, u"[NOPE]", false, std::nullopt,
       "Field \"NOPE\" does not exist in attribute table!", "Invalid Expression!"},
      {__LINE__, u"[NAME]", true, std::nullopt, "Object required", "Valid Expression"},
      {__LINE__, u"[NAME]", false, RecordingTable::InjectedFailure(Operation::kValueAt),
       "Injected failure of ValueAt", "Valid Expression"},
      {__LINE__, u"[NAME]", false, errors::Status(91, u"RecordingTable", u""),
       "Unknown Error in MakeLabelString!", "Valid Expression"},
      // Each field fits the bound, the two together do not.
      {__LINE__, u"[NAME].Spaces(5000000)[NAME].Spaces(5000000)", false, std::nullopt,
       "Out of string space", "Valid Expression"},
  };
  for (const Row& row : rows) {
    for (const Boolean show : {kFalse, kTrue}) {
      SCOPED_TRACE(::testing::Message() << "line " << row.line << " boxes " << (show == kTrue));
      boxes_.Clear();
      evaluator_.ShowMessages(show);
      if (row.fault) table_.FailCall(Operation::kValueAt, 1, *row.fault);
      host::HostRow* host_row = row.null_row ? nullptr : FirstRow();
      EXPECT_EQ(U8(evaluator_.MakeLabel(&table_, host_row, std::u16string(row.expression), words_)),
                "");
      EXPECT_EQ(U8(evaluator_.Message()), row.message);
      table_.ClearFault();
      if (show == kFalse) {  // the view fails alike, after a label that did not
        EXPECT_EQ(Label(u"[NAME]"), "Ab");
        if (row.fault) table_.FailCall(Operation::kValueAt, 1, *row.fault);
        EXPECT_EQ(U8(evaluator_.MakeLabelView(&table_, host_row, row.expression, words_)), "");
        EXPECT_FALSE(evaluator_.LastCallSucceeded());
        EXPECT_EQ(U8(evaluator_.Message()), row.message);
        table_.ClearFault();
      }
      const auto boxes = boxes_.Boxes();
      ASSERT_EQ(boxes.size(), show == kTrue ? 2u : 0u);
      if (boxes.empty()) continue;
      EXPECT_EQ(U8(boxes[0].title), row.first_box_title);
      EXPECT_EQ(U8(boxes[1].title), "Invalid Expression!");
      EXPECT_EQ(boxes[1].style, ui::MessageBoxStyle::kCritical);
      EXPECT_EQ(U8(boxes[1].text), row.message);
    }
  }
  boxes_.Clear();
  EXPECT_EQ(Label(u"[NAME]"), "Ab");
  EXPECT_EQ(boxes_.Boxes().size(), 1u);  // verification's listing only
}

// The bound itself is a length a label may have; one character more fails.
TEST_F(MakeLabelTest, ALabelMayReachTheBoundButNotPassIt) {
  memory_.Row(0).Set(0, Variant::FromText(std::u16string(kMaxTextLength - 2, u'a')));
  EXPECT_EQ(evaluator_.MakeLabel(&table_, FirstRow(), u"[NAME]xy", words_).size(), kMaxTextLength);
  EXPECT_EQ(U8(evaluator_.MakeLabel(&table_, FirstRow(), u"[NAME]xyz", words_)), "");
  EXPECT_EQ(U8(evaluator_.Message()), "Out of string space");
}

TEST_F(MakeLabelTest, KeepsLastLabelAndWordsAcrossFailures) {
  EXPECT_EQ(Label(u"$$PAGE_NUMBER"), "Page 3");
  // A failed verification neither returns the old label nor drops the words.
  EXPECT_EQ(U8(evaluator_.MakeLabel(&table_, FirstRow(), u"[", nullptr)), "");
  EXPECT_EQ(U8(evaluator_.MakeLabel(&table_, FirstRow(), u"$$PAGE_NUMBER", words_)), "Page 3");
  // A successful one with a null collection replaces the words.
  EXPECT_EQ(U8(evaluator_.MakeLabel(&table_, FirstRow(), u"$$PAGE_NUMBER", nullptr)), "");
}

// A prepared expression labels each row as MakeLabel does, failures and
// messages included, reading only the rows' values once prepared.
TEST_F(MakeLabelTest, FieldsReadAreThoseNamedEachOnceInFieldOrder) {
  const struct {
    std::u16string_view expression;
    std::vector<std::size_t> read;
  } rows[] = {
      {u"text alone $$PAGE_NUMBER", {}},
      {u"[X] [name].UCase [NAME] [POP]", {0, 1, 2}},
      {u"[POP] [NOPE]", {1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(U8(row.expression));
    (void)evaluator_.VerifyExpression(&memory_, row.expression);
    EXPECT_EQ(FieldsRead(evaluator_.Tokens(), memory_), row.read);
  }
}

TEST_F(MakeLabelTest, PreparedRowsGetMakeLabelsLabels) {
  memory_.AddRow({Variant::FromText(u"\u00e9t\u00e9"), Variant::FromLong(-5), Variant::FromDouble(0.5)});
  memory_.AddRow({Variant::Null(), Variant::Null(), Variant::Null()});
  const std::u16string_view expressions[] = {
      u"[NAME].UCase-[name].Left(1) $$PAGE_NUMBER",
      u"<BOL>[POP].FormatNumber(0)</BOL>[X]",
      u"[NAME].Spaces(5000000)[NAME].Spaces(5000000)",  // too long on every row
      u"just text",
  };
  for (const std::u16string_view expression : expressions) {
    SCOPED_TRACE(U8(expression));
    ASSERT_TRUE(evaluator_.PrepareLabels(&table_, expression, words_));
    table_.ClearCalls();
    for (std::size_t r = 0; r < memory_.RowCount(); ++r) {
      PeltExpressionEvaluator each_row;
      const std::string expected =
          U8(each_row.MakeLabel(&memory_, &memory_.Row(r), std::u16string(expression), words_));
      EXPECT_EQ(U8(evaluator_.MakePreparedLabel(&table_.Row(memory_.Row(r)))), expected);
      EXPECT_EQ(evaluator_.LastCallSucceeded(), each_row.LastCallSucceeded());
      EXPECT_EQ(U8(evaluator_.Message()), U8(each_row.Message()));
    }
    const std::string trace = U8(table_.CallTrace());
    EXPECT_EQ(trace.find("IndexOfField"), std::string::npos) << trace;
  }
}

TEST_F(MakeLabelTest, PreparationFailsOrEndsAsTheEvaluatorChanges) {
  host::HostRow* row = FirstRow();
  // An invalid expression's rows get "" and its message, as from MakeLabel.
  EXPECT_FALSE(evaluator_.PrepareLabels(&table_, u"[NOPE]", words_));
  for (int time = 0; time < 2; ++time) {
    EXPECT_EQ(U8(evaluator_.MakePreparedLabel(row)), "");
    EXPECT_FALSE(evaluator_.LastCallSucceeded());
    EXPECT_EQ(U8(evaluator_.Message()), "Field \"NOPE\" does not exist in attribute table!");
  }

  // A locale change between rows scans the arguments again, as MakeLabel does.
  ASSERT_TRUE(evaluator_.PrepareLabels(&table_, u"[POP].Left(1,5)", words_));
  EXPECT_EQ(U8(evaluator_.MakePreparedLabel(row)), "1234567");
  value::SetUserLocaleOverride("de_DE");
  EXPECT_EQ(U8(evaluator_.MakePreparedLabel(row)), "12");
  value::SetUserLocaleOverride("en_US");

  // Any other call ends the preparation: its tokens may be another expression's.
  ASSERT_TRUE(evaluator_.PrepareLabels(&table_, u"[NAME]", words_));
  EXPECT_EQ(U8(evaluator_.MakePreparedLabel(row)), "Ab");
  EXPECT_EQ(Label(u"[POP]"), "1234567");
  EXPECT_EQ(U8(evaluator_.MakePreparedLabel(row)), "");
  EXPECT_EQ(U8(evaluator_.Message()), "Unknown Error in MakeLabel!");
  ASSERT_TRUE(evaluator_.PrepareLabels(&table_, u"[NAME]", words_));
  EXPECT_EQ(evaluator_.VerifyExpression(&table_, u"[POP]"), kTrue);
  EXPECT_EQ(U8(evaluator_.MakePreparedLabel(row)), "");
  EXPECT_TRUE(boxes_.events().empty());
}

}  // namespace
}  // namespace pelt::evaluator
