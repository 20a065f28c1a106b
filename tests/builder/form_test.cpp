// What the dialog's handlers do, on the Qt dialog: the catalogues, load and
// activation, every Add button, Verify, the boxes, the close matrix, and the
// call-stack reports of failing handlers.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/qt_text.h"
#include "builder/tag_catalogue.h"
#include "pelt/language/statements.h"
#include "pelt/value/text.h"
#include "qt_test_environment.h"
#include "support/dump.h"

namespace pelt::builder {
namespace {

using host::FieldType;
using host::MemoryTable;
using pelt::testing::U8;
using testing::Builder;
using testing::MakeReservedWords;
using testing::PlacesTable;
using testing::ReportedProcedure;

std::vector<std::u16string> Entries(const Builder& builder, Control list) {
  auto* combo = qobject_cast<QComboBox*>(builder.Widget(list));
  std::vector<std::u16string> entries;
  for (int i = 0; i < combo->count(); ++i) entries.push_back(FromQString(combo->itemText(i)));
  return entries;
}

constexpr const char* kAbsDescription = ".Abs: Absolute value of a number.  Example: -3.Abs = 3";

TEST(BuilderFormTest, CataloguesListEveryEntryAndShowItsDescription) {
  Builder builder(nullptr, {}, u"", {});
  EXPECT_EQ(builder.Label(Control::kLblFormatDescription), kAbsDescription);
  EXPECT_EQ(builder.Label(Control::kLblTagDescription), U8(Tags()[0].description));
  std::vector<std::tuple<Control, Control, std::u16string_view, std::u16string_view>> rows;
  for (const language::StatementInfo& info : language::Statements()) {
    rows.emplace_back(Control::kCmbFormattingStatements, Control::kLblFormatDescription,
                      info.catalogue_entry, info.description);
  }
  for (const TagInfo& tag : Tags()) {
    rows.emplace_back(Control::kCmbTags, Control::kLblTagDescription, tag.entry, tag.description);
  }
  ASSERT_EQ(rows.size(), language::kStatementCount + 12u);  // twelve tags
  std::map<Control, std::vector<std::u16string>> listed;
  // Backwards, so that every pick is a change of selection.
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    const auto& [list, label, entry, description] = *row;
    builder.Pick(list, entry);
    EXPECT_EQ(builder.Label(label), U8(description)) << U8(entry);
    listed[list].insert(listed[list].begin(), std::u16string(entry));
  }
  for (const auto& [list, entries] : listed) EXPECT_EQ(Entries(builder, list), entries);
}

TEST(BuilderFormTest, VerifyAndOkFollowTheTextFromLoadOn) {
  // Blanks count as text.
  for (const auto& [expression, enabled] : {std::pair{u"", false}, {u" ", true}, {u"[N]", true}}) {
    Builder builder(nullptr, MakeReservedWords({{u"$$A", u"a"}}), expression, {});
    EXPECT_EQ(builder.form->load_count(), 1);
    EXPECT_NE(builder.form->evaluator(), nullptr);
    EXPECT_EQ(builder.Enabled(Control::kCmdVerifyExpression), enabled) << U8(expression);
    EXPECT_EQ(builder.Enabled(Control::kCmdOK), enabled);
    // Reserved words wait for activation.
    EXPECT_TRUE(Entries(builder, Control::kCmbReservedWords).empty());
    EXPECT_EQ(builder.Label(Control::kLblReservedWordDescription), "Formatting Description");
  }
  Builder builder(nullptr, {}, u"", {});
  builder.Show();
  QWidget* text = builder.Widget(Control::kTxtExpression);
  std::vector<bool> states;
  // Enter starts a new line (no button is the default); then all is
  // deleted; then a blank is typed.
  for (const auto& [keys, expected] : {std::pair{"a\nb", "a\r\nb"}, {"", ""}, {" ", " "}}) {
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_Delete);
    for (const char key : std::string_view(keys)) {
      key == '\n' ? QTest::keyClick(text, Qt::Key_Return) : QTest::keyClick(text, key);
    }
    EXPECT_EQ(builder.Text(), expected);
    states.push_back(builder.Enabled(Control::kCmdVerifyExpression));
    states.push_back(builder.Enabled(Control::kCmdOK));
  }
  EXPECT_EQ(states, (std::vector<bool>{true, true, false, false, true, true}));
  EXPECT_TRUE(builder.boxes.events().empty() && builder.dialog->isVisible());
}

TEST(BuilderFormTest, ActivationFillsReservedWordsAndSetsGroupStates) {
  const struct {
    int line;
    testing::ReservedWords words;
    std::string description;
    std::string reported;  // the procedure in a report, "" for none
  } rows[] = {
      {__LINE__, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Today"}}), "Page", ""},
      {__LINE__, {}, "No reserved words available.", ""},
      // Absent collections count as empty ones.
      {__LINE__, {nullptr, nullptr}, "No reserved words available.", ""},
      // A word without a description: the selection handler reports it,
      // activation leaves the description empty.
      {__LINE__, MakeReservedWords({{u"$$PAGE", nullptr}, {u"$$DATE", u"Today"}}), "",
       "cmbReservedWords_Click PeltExpressions:frmExpressionBuilder "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    Builder builder(nullptr, row.words, u"", {u"Name"});
    builder.Show();
    const std::int32_t words = row.words.words ? row.words.words->Count() : 0;
    EXPECT_EQ(Entries(builder, Control::kCmbReservedWords).size(), static_cast<std::size_t>(words));
    EXPECT_EQ(builder.Label(Control::kLblReservedWordDescription), row.description);
    EXPECT_EQ(builder.Enabled(Control::kCmbReservedWords), words > 0);
    EXPECT_EQ(builder.Enabled(Control::kCmdAddReservedWord), words > 0);
    // A listed field enables its group; the other groups are always enabled.
    for (const Control control :
         {Control::kCmdAddField, Control::kCmdAddFormattingStatement, Control::kCmdAddTag,
          Control::kTxtExpression, Control::kCmdCancel, Control::kCmdHelp}) {
      EXPECT_TRUE(builder.Enabled(control));
    }
    EXPECT_EQ(builder.Label(Control::kLblFormatDescription), kAbsDescription);
    const auto boxes = builder.boxes.Boxes();
    ASSERT_EQ(boxes.size(), row.reported.empty() ? 0u : 1u);
    if (!boxes.empty()) {
      EXPECT_EQ(ReportedProcedure(boxes[0]), row.reported);
    }
  }
}

TEST(BuilderFormTest, PickingAReservedWordShowsItsDescription) {
  const struct {
    std::u16string_view pick;
    std::string description;
    std::size_t reports;
  } rows[] = {{u"$$DATE", "Today's date", 0}, {u"$$NODESC", "", 1}, {u"$$PAGE", "Page number", 0}};
  Builder builder(
      nullptr,
      MakeReservedWords(
          {{u"$$PAGE", u"Page number"}, {u"$$DATE", u"Today's date"}, {u"$$NODESC", nullptr}}),
      u"", {});
  builder.Show();
  for (const auto& row : rows) {
    builder.boxes.Clear();
    builder.Pick(Control::kCmbReservedWords, row.pick);
    // A word without a description clears the label, then reports.
    EXPECT_EQ(builder.Label(Control::kLblReservedWordDescription), row.description);
    EXPECT_EQ(builder.boxes.Boxes().size(), row.reports);
  }
}

TEST(BuilderFormTest, AddButtonsEditAtTheInsertionPoint) {
  const std::map<Control, Control> list_of = {
      {Control::kCmdAddField, Control::kCmbLabelFields},
      {Control::kCmdAddFormattingStatement, Control::kCmbFormattingStatements},
      {Control::kCmdAddReservedWord, Control::kCmbReservedWords},
      {Control::kCmdAddTag, Control::kCmbTags}};
  const struct {
    std::u16string_view text;
    int start, length;  // the selection before the button
    Control button;
    std::u16string_view pick;  // the entry chosen in the button's list
    std::string result;
    bool focus_in_text;  // otherwise the focus stays on the button
  } rows[] = {
      {u"abc", 0, 0, Control::kCmdAddField, u"Name", "[Name]abc", true},
      {u"a XX b", 2, 2, Control::kCmdAddField, u"Population", "a [Population] b", true},
      {u"[Name].X", 6, 2, Control::kCmdAddFormattingStatement, u".Mid(0,0)", "[Name].Mid(0,0)",
       true},
      // No separator is added on either side.
      {u"ab", 1, 0, Control::kCmdAddReservedWord, u"$$DATE", "a$$DATEb", false},
      {u"x abc y", 2, 3, Control::kCmdAddTag, u"<BOL></BOL>", "x <BOL>abc</BOL> y", false},
      {u"", 0, 0, Control::kCmdAddTag, u"<LIN></LIN>", "<LIN></LIN>", false},
  };
  MemoryTable table = PlacesTable();
  Builder builder(&table, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Date"}}), u"x",
                  {u"Name", u"Population"});
  builder.Show();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result);
    builder.dialog->SetExpressionText(row.text);
    builder.Select(row.start, row.length);
    builder.Pick(list_of.at(row.button), row.pick);
    builder.Click(row.button);
    EXPECT_EQ(builder.Text(), row.result);
    // The caret stands just after the inserted text, nothing selected.
    const QTextCursor cursor =
        qobject_cast<QPlainTextEdit*>(builder.Widget(Control::kTxtExpression))->textCursor();
    EXPECT_EQ(cursor.position(),
              static_cast<int>(row.result.size() - row.text.size()) + row.start + row.length);
    EXPECT_FALSE(cursor.hasSelection());
    EXPECT_EQ(builder.Focus(), row.focus_in_text ? "TxtExpression" : SpecOf(row.button).name);
  }
  EXPECT_TRUE(builder.boxes.events().empty());
}

TEST(BuilderFormTest, AddFieldChecksTheTypeAndReportsFailingTableCalls) {
  using host::Operation;
  std::vector<host::FieldSpec> fields = {{u"Name", FieldType::kString}};
  for (const int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1}) {
    fields.push_back({u"F" + value::FromUtf8(std::to_string(code)), static_cast<FieldType>(code)});
  }
  MemoryTable table(fields);
  Builder builder(&table, {}, u"", {});
  for (const host::FieldSpec& field : fields) builder.form->AddLabelField(field.name);
  builder.form->AddLabelField(u"Gone");  // a name the table does not know
  builder.Show();
  // Only codes 0 to 6 are added; verification would accept 9 and 10.
  for (const host::FieldSpec& field : fields) {
    SCOPED_TRACE(U8(field.name));
    const auto code = static_cast<int>(field.type);
    const bool accepted = code >= 0 && code <= 6;
    builder.dialog->SetExpressionText(u"x");
    builder.Select(1);
    builder.boxes.Clear();
    builder.Pick(Control::kCmbLabelFields, field.name);
    builder.Click(Control::kCmdAddField);
    EXPECT_EQ(builder.Text(), accepted ? "x[" + U8(field.name) + "]" : "x");
    EXPECT_EQ(builder.Focus(), accepted ? "TxtExpression" : "CmdAddField");
    EXPECT_EQ(testing::BoxTitles(builder.boxes), accepted ? "" : "Invalid Field Type!");
    if (!accepted) {
      EXPECT_EQ(U8(builder.boxes.Boxes()[0].text), "Can't use Geometry or Blob Fields");
      EXPECT_EQ(builder.boxes.Boxes()[0].style, ui::MessageBoxStyle::kCritical);
    }
  }
  const struct {
    std::u16string_view pick;
    std::optional<Operation> failing;
    std::string trace;  // "" when not checked
  } failures[] = {
      {u"Name", Operation::kIndexOfField, ""},
      {u"Name", Operation::kFieldList, ""},
      {u"Name", Operation::kFieldAt, ""},
      {u"Name", Operation::kFieldTypeCode, "IndexOfField(Name) FieldList FieldAt(0) FieldTypeCode"},
      // An unknown name: -1 is passed on to FieldAt, which fails.
      {u"Gone", std::nullopt, "IndexOfField(Gone) FieldList FieldAt(-1)"},
  };
  for (const auto& row : failures) {
    SCOPED_TRACE(row.trace);
    builder.dialog->SetExpressionText(u"x");
    builder.boxes.Clear();
    builder.Pick(Control::kCmbLabelFields, row.pick);
    table.ClearCalls();
    table.RecordCalls(true);
    if (row.failing) table.FailCall(row.failing, 1, MemoryTable::InjectedFailure(*row.failing));
    builder.Click(Control::kCmdAddField);
    table.RecordCalls(false);
    table.ClearFault();
    EXPECT_TRUE(U8(table.CallTrace()).starts_with(row.trace)) << U8(table.CallTrace());
    EXPECT_EQ(builder.Text(), "x");
    EXPECT_EQ(testing::BoxTitles(builder.boxes), "Unexpected Program Error");
    EXPECT_EQ(ReportedProcedure(builder.boxes.Boxes().at(0)),
              "CmdAddField_Click PeltExpressions:frmExpressionBuilder ");
    EXPECT_TRUE(builder.dialog->isVisible());
  }
}

TEST(BuilderFormTest, VerifyShowsTheVerdictAndChangesNothing) {
  const std::pair<std::u16string_view, ui::MessageBoxStyle> rows[] = {
      {u"[Name].UCase", ui::MessageBoxStyle::kInformation},
      {u"[Nobody]", ui::MessageBoxStyle::kCritical},
      {u"[Geometry]", ui::MessageBoxStyle::kCritical}};
  MemoryTable table = PlacesTable();
  Builder builder(&table, {}, u"", {u"Name"});
  builder.Show();
  for (const auto& [expression, style] : rows) {
    builder.dialog->SetExpressionText(expression);
    builder.boxes.Clear();
    builder.Click(Control::kCmdVerifyExpression);
    ASSERT_EQ(builder.boxes.Boxes().size(), 1u);
    EXPECT_EQ(builder.boxes.Boxes()[0].style, style) << U8(expression);
    EXPECT_EQ(builder.Text(), U8(expression));
    EXPECT_TRUE(builder.Enabled(Control::kCmdOK) && builder.dialog->isVisible());
  }
}

TEST(BuilderFormTest, BoxesAreQtMessageBoxesWithTheStylesIcon) {
  const struct {
    ui::MessageBoxStyle style;
    QMessageBox::Icon icon;
  } rows[] = {{ui::MessageBoxStyle::kCritical, QMessageBox::Critical},
              {ui::MessageBoxStyle::kExclamation, QMessageBox::Warning},
              {ui::MessageBoxStyle::kInformation, QMessageBox::Information}};
  for (const auto& row : rows) {
    testing::SeenBox seen;
    testing::AnswerNextBox(seen);
    // Line breaks become Qt's own; tags stay text.
    ui::ActiveMessageBoxes().Show(u"<b>one</b>\r\ntwo", u"Title", row.style);
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title.toStdString(), "Title");
    EXPECT_EQ(seen.text.toStdString(), "<b>one</b>\ntwo");
    EXPECT_EQ(seen.icon, static_cast<int>(row.icon));
  }
  ui::ActiveMessageBoxes().Beep();  // the application's beep; nothing to see
}

TEST(BuilderFormTest, ClosingStoresOnlyOnOkAndReleasesTheMembers) {
  enum class Close { kOk, kCancel, kEscape, kCloseBox };
  // {text at the start, how the dialog is closed, the accepted text}; OK does
  // not verify, so an invalid expression is stored too.
  for (const auto& row : {std::tuple{u"[Name]", Close::kOk, "[Name] edited"},
                          {u"[Name]", Close::kCancel, ""},
                          {u"[Name]", Close::kEscape, ""},
                          {u"[Name]", Close::kCloseBox, ""},
                          {u"[Nobody", Close::kOk, "[Nobody edited"}}) {
    const std::u16string_view start = std::get<0>(row);
    const Close close = std::get<1>(row);
    const std::string accepted = std::get<2>(row);
    SCOPED_TRACE(accepted);
    MemoryTable table = PlacesTable();
    Builder builder(&table, MakeReservedWords({{u"$$P", u"p"}}), start, {u"Name"});
    bool help_closed = false;
    testing::WhenBuilderOpens([&](frmExpressionBuilder& dialog) {
      builder.Select(static_cast<int>(start.size()));
      QTest::keyClicks(dialog.Widget(Control::kTxtExpression), " edited");
      builder.Click(Control::kCmdHelp);
      switch (close) {
        case Close::kOk: builder.Click(Control::kCmdOK); break;
        case Close::kCancel: builder.Click(Control::kCmdCancel); break;
        case Close::kEscape: QTest::keyClick(&dialog, Qt::Key_Escape); break;
        case Close::kCloseBox: dialog.close(); break;
      }
      help_closed = !dialog.help_window()->isVisible();
    });
    builder.form->ShowModal();
    ExpressionBuilderForm& form = *builder.form;
    EXPECT_TRUE(help_closed);
    EXPECT_EQ(U8(form.AcceptedExpression()), accepted);
    EXPECT_FALSE(form.loaded());
    EXPECT_TRUE(!form.table() && !form.reserved_words() && !form.reserved_word_descriptions() &&
                !form.evaluator());
    // Reaching the text box loads the dialog once more, unseen, with the
    // accepted text in it and Verify and OK disabled.
    EXPECT_EQ(U8(form.ExpressionText()), accepted);
    EXPECT_EQ(form.load_count(), 2);
    EXPECT_FALSE(builder.Enabled(Control::kCmdOK));
    EXPECT_FALSE(builder.Enabled(Control::kCmdVerifyExpression));
    EXPECT_TRUE(builder.boxes.events().empty());
  }
}

}  // namespace
}  // namespace pelt::builder
