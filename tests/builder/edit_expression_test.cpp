// EditExpression through the Qt dialog: what it returns for each way of
// closing the dialog, which boxes follow the dialog, how it lists the table's
// fields, and its call-stack reports.

#include <QPlainTextEdit>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "errors/messages.h"
#include "pelt/builder/builder.h"
#include "pelt/evaluator/expression_builder.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/language/statements.h"
#include "qt_test_environment.h"

namespace pelt::builder::testing {
namespace {

using errors::MessageId;
using errors::MessageText;
using evaluator::PeltExpressionEvaluator;

enum class Close { kOk, kCancel, kEscape, kCloseBox };

TEST(EditExpressionTest, ReturnsOnlyAnAcceptedVerifiedExpression) {
  // In each row the user types at the end of the text, opens Help and closes
  // the dialog; OK does not verify, the verification follows the dialog.
  const struct {
    bool with_table;
    std::u16string_view start, typed;
    Close close;
    bool show_messages;
    std::string result, boxes_after_closing;
  } rows[] = {
      {true, u"[Name]", u".UCase", Close::kOk, false, "[Name].UCase", ""},
      // A fresh dialog each time: the one before accepted a text.
      {true, u"[Name]", u".UCase", Close::kCancel, false, "", ""},
      {true, u"[Name]", u".UCase", Close::kEscape, false, "", ""},
      {true, u"[Name]", u".UCase", Close::kCloseBox, false, "", ""},
      {true, u"Page ", u"$$PAGE", Close::kOk, false, "Page $$PAGE", ""},
      // Verified with the messages of the caller's evaluator.
      {true, u"[Name]", u"", Close::kOk, true, "[Name]", "Valid Expression (information)"},
      {true, u"[Nobody]", u"", Close::kOk, false, "", "Invalid Expression"},
      {true, u"[Shapes]", u"", Close::kOk, true, "", "Invalid Expression! | Invalid Expression"},
      {true, u"[Name", u"", Close::kOk, false, "", "Invalid Expression"},
      // Blanks are an expression; only the empty text means "nothing".
      {true, u"  ", u"", Close::kOk, false, "  ", ""},
      // Without a table only expressions without fields pass.
      {false, u"Page $$PAGE", u"", Close::kOk, false, "Page $$PAGE", ""},
      {false, u"[Name]", u"", Close::kOk, false, "", "Invalid Expression"},
  };
  // The field called Shape is not listed, whatever its type or case; other
  // fields are, whatever theirs.
  host::MemoryTable memory({{u"SHAPE", host::FieldType::kString},
                            {u"Name", host::FieldType::kString},
                            {u"Shapes", host::FieldType::kGeometry}});
  RecordingTable table(memory);
  PeltExpressionEvaluator evaluator;  // one for all rows: each call opens its own dialog
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    std::string closed;  // the boxes shown while the dialog was up, and Help
    WhenModalOpens([&](QWidget& modal) {
      auto* builder = qobject_cast<frmExpressionBuilder*>(&modal);
      if (builder == nullptr || !builder->activated()) return false;
      frmExpressionBuilder& dialog = *builder;
      // The table's fields but Shape, the first selected; without a table the
      // field group, statements included, is off.
      EXPECT_EQ(U8(dialog.ListText(kCmbLabelFields)), row.with_table ? "Name" : "");
      EXPECT_EQ(Entries(dialog, kCmbLabelFields), row.with_table ? "Name|Shapes|" : "");
      EXPECT_EQ(Disabled(dialog), row.with_table ? "" : "FraLabelFields ");
      EXPECT_EQ(dialog.LabelText(kLblFormatDescription),
                row.with_table ? language::Statements().front().description
                               : MessageText(MessageId::kNoDatabaseFields));
      auto* text = qobject_cast<QPlainTextEdit*>(dialog.Widget(kTxtExpression));
      text->moveCursor(QTextCursor::End);
      QTest::keyClicks(text, ToQString(row.typed));
      QTest::mouseClick(dialog.Widget(kCmdHelp), Qt::LeftButton);
      if (row.close == Close::kOk || row.close == Close::kCancel) {
        QTest::mouseClick(dialog.Widget(row.close == Close::kOk ? kCmdOK : kCmdCancel),
                          Qt::LeftButton);
      }
      if (row.close == Close::kEscape) QTest::keyClick(&dialog, Qt::Key_Escape);
      if (row.close == Close::kCloseBox) dialog.close();
      closed = std::to_string(boxes.events().size()) +
               (dialog.help_window()->isVisible() ? " help open" : " help closed");
      return true;
    });
    evaluator.ShowMessages(row.show_messages ? evaluator::kTrue : evaluator::kFalse);
    const auto words = MakeReservedWords({{u"$$PAGE", u"Page"}});
    EXPECT_EQ(
        U8(evaluator.EditExpression(row.with_table ? &table : nullptr, std::u16string(row.start),
                                    words.words, words.descriptions)),
        row.result);
    EXPECT_EQ(closed, "0 help closed");
    // The host sees the field list asked for anew for every field.
    EXPECT_TRUE(&row != rows ||
                U8(table.CallTrace())
                    .starts_with("FieldList FieldCount FieldList FieldAt(0) FieldName(SHAPE) "
                                 "FieldList FieldAt(1) FieldName(Name) FieldList FieldAt(2) "
                                 "FieldName(Shapes)"));
    EXPECT_EQ(Boxes(boxes), row.boxes_after_closing);
  }
}

// Reserved words that cannot be read: activation fails.
struct UnreadableWords final : value::CollectionView {
  using Code = value::ErrorCode;
  Code CountItems(std::int32_t&) const override { return Code::kTypeMismatch; }
  Code ReadItemAt(std::int32_t, value::Variant&) const override { return Code::kTypeMismatch; }
  Code ReadItemByKey(std::u16string_view, value::Variant&) const override { return Code::kNone; }
};

// Failures before the dialog shows, and in its activation, which has no
// handler of its own: EditExpression reports them and gives "".
TEST(EditExpressionTest, FailuresBeforeTheDialogShowsAreReportedAndGiveNothing) {
  EXPECT_TRUE(DisplayAvailable());
  const evaluator::ExpressionBuilderFactory qt_factory = evaluator::GetExpressionBuilderFactory();
  struct Row {
    std::int64_t failing_call;  // 0: none
    evaluator::ExpressionBuilderFactory factory;
    bool other_thread;
    std::string reported;  // the number, and the description when checked
    evaluator::CollectionRef words = nullptr;
  };
  std::vector<Row> rows;
  // Every host call EditExpression makes before showing the dialog, in turn.
  for (std::int64_t n = 1; n <= 14; ++n) rows.push_back({n, qt_factory, false, "\t91"});
  // No dialog toolkit: no factory, or one that makes nothing.
  const std::string cannot_create =
      "\t429\r\nDescription\r\n\t" + U8(MessageText(MessageId::kCannotCreateBuilder));
  rows.push_back({0, evaluator::ExpressionBuilderFactory(), false, cannot_create});
  rows.push_back(
      {0, [] { return std::unique_ptr<evaluator::ExpressionBuilder>(); }, false, cannot_create});
  // Only the thread that runs the user interface opens dialogs.
  rows.push_back({0, qt_factory, true,
                  "\t429\r\nDescription\r\n\t" + U8(MessageText(MessageId::kCannotShowBuilder)) +
                      U8(MessageText(MessageId::kNotOnInterfaceThread))});
  rows.push_back({0, qt_factory, false, "\t13\r\nDescription\r\n\tType mismatch",
                  std::make_shared<UnreadableWords>()});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failing_call);
    RecordingMessageBoxes boxes;
    evaluator::SetExpressionBuilderFactory(row.factory);
    host::MemoryTable places = PlacesTable();
    RecordingTable table(places);
    table.FailCall(std::nullopt, row.failing_call,
                   errors::Status(91, u"RecordingTable", u"Injected"));
    std::string result = "not run";
    const auto edit = [&] {
      ui::ScopedMessageBoxes scope(boxes);
      result = U8(PeltExpressionEvaluator().EditExpression(&table, u"[Name]", row.words, nullptr));
    };
    row.other_thread ? std::thread(edit).join() : edit();
    evaluator::SetExpressionBuilderFactory(qt_factory);
    EXPECT_EQ(result, "");
    // The report alone, under EditExpression.
    EXPECT_EQ(Boxes(boxes),
              "Unexpected Program Error (exclamation): EditExpression "
              "PeltExpressions:PeltExpressionEvaluator ");
    EXPECT_NE(U8(boxes.Boxes().at(0).text).find(row.reported + "\r\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace pelt::builder::testing
