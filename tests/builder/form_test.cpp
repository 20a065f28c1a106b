// What the dialog's handlers do, on the Qt dialog: the catalogues, load and
// activation, every button, the boxes, and the call-stack reports of failing
// handlers.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

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
using testing::Entries;
using testing::MakeReservedWords;
using testing::ReportedProcedure;

// What the format description shows while the first statement is selected.
std::string FirstStatementDescription() { return U8(language::Statements().front().description); }

TEST(BuilderFormTest, CataloguesListEveryEntryAndShowItsDescription) {
  Builder builder(nullptr, {}, u"", {});
  // Loading selects the first entry of each catalogue.
  EXPECT_EQ(builder.Label(Control::kLblFormatDescription), FirstStatementDescription());
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
  for (const auto& [list, entries] : listed) EXPECT_EQ(Entries(*builder.dialog, list), entries);
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
    EXPECT_TRUE(Entries(*builder.dialog, Control::kCmbReservedWords).empty());
    EXPECT_EQ(builder.Label(Control::kLblReservedWordDescription),
              U8(SpecOf(Control::kLblReservedWordDescription).text));
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

TEST(BuilderFormTest, ReservedWordsComeWithActivationAndShowTheirDescriptions) {
  const std::string reported = "cmbReservedWords_Click PeltExpressions:frmExpressionBuilder ";
  const struct {
    int line;
    testing::ReservedWords words;
    std::string description;  // after activation
    std::string picked;       // the descriptions shown picking the words backwards
    std::size_t reports;      // each from the selection handler
  } rows[] = {
      {__LINE__, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Today"}}), "Page",
       "Today|Page|", 0},
      {__LINE__, {}, "No reserved words available.", "", 0},
      // Absent collections count as empty ones.
      {__LINE__, {nullptr, nullptr}, "No reserved words available.", "", 0},
      // A word without a description: the selection handler clears the label
      // and reports it, activation leaves the description empty.
      {__LINE__, MakeReservedWords({{u"$$PAGE", nullptr}, {u"$$DATE", u"Today"}}), "", "Today||",
       2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    Builder builder(nullptr, row.words, u"", {u"Name"});
    builder.Show();
    const std::vector<std::u16string> words = Entries(*builder.dialog, Control::kCmbReservedWords);
    EXPECT_EQ(words.size(),
              row.words.words ? static_cast<std::size_t>(row.words.words->Count()) : 0u);
    EXPECT_EQ(builder.Label(Control::kLblReservedWordDescription), row.description);
    EXPECT_EQ(builder.Enabled(Control::kCmbReservedWords), !words.empty());
    EXPECT_EQ(builder.Enabled(Control::kCmdAddReservedWord), !words.empty());
    // A listed field enables its group; the other groups are always enabled.
    for (const Control control :
         {Control::kCmdAddField, Control::kCmdAddFormattingStatement, Control::kCmdAddTag,
          Control::kTxtExpression, Control::kCmdCancel, Control::kCmdHelp}) {
      EXPECT_TRUE(builder.Enabled(control));
    }
    EXPECT_EQ(builder.Label(Control::kLblFormatDescription), FirstStatementDescription());
    std::string picked;
    for (auto word = words.rbegin(); word != words.rend(); ++word) {
      builder.Pick(Control::kCmbReservedWords, *word);
      picked += builder.Label(Control::kLblReservedWordDescription) + "|";
    }
    EXPECT_EQ(picked, row.picked);
    ASSERT_EQ(builder.boxes.Boxes().size(), row.reports);
    for (const auto& box : builder.boxes.Boxes()) EXPECT_EQ(ReportedProcedure(box), reported);
  }
}

TEST(BuilderFormTest, ButtonsEditAtTheInsertionPointOrShowABox) {
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
    std::string boxes;   // their titles
  } rows[] = {
      {u"abc", 0, 0, Control::kCmdAddField, u"Name", "[Name]abc", true, ""},
      {u"a XX b", 2, 2, Control::kCmdAddField, u"Population", "a [Population] b", true, ""},
      {u"[Name].X", 6, 2, Control::kCmdAddFormattingStatement, u".Mid(0,0)", "[Name].Mid(0,0)",
       true, ""},
      // No separator is added on either side.
      {u"ab", 1, 0, Control::kCmdAddReservedWord, u"$$DATE", "a$$DATEb", false, ""},
      {u"x abc y", 2, 3, Control::kCmdAddTag, u"<BOL></BOL>", "x <BOL>abc</BOL> y", false, ""},
      {u"", 0, 0, Control::kCmdAddTag, u"<LIN></LIN>", "<LIN></LIN>", false, ""},
      // Verify shows the verdict and changes nothing.
      {u"[Name].UCase", 0, 0, Control::kCmdVerifyExpression, u"", "[Name].UCase", false,
       "Valid Expression"},
      {u"[Nobody]", 0, 0, Control::kCmdVerifyExpression, u"", "[Nobody]", false,
       "Invalid Expression!"},
      {u"[Geometry]", 0, 0, Control::kCmdVerifyExpression, u"", "[Geometry]", false,
       "Invalid Expression!"},
  };
  MemoryTable table = testing::PlacesTable();
  Builder builder(&table, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Date"}}), u"x",
                  {u"Name", u"Population"});
  builder.Show();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result);
    builder.dialog->SetExpressionText(row.text);
    builder.Select(row.start, row.length);
    if (list_of.contains(row.button)) builder.Pick(list_of.at(row.button), row.pick);
    builder.boxes.Clear();
    builder.Click(row.button);
    EXPECT_EQ(builder.Text(), row.result);
    // The caret stands just after the inserted text, nothing selected.
    const QTextCursor cursor =
        qobject_cast<QPlainTextEdit*>(builder.Widget(Control::kTxtExpression))->textCursor();
    EXPECT_EQ(cursor.position(),
              static_cast<int>(row.result.size() - row.text.size()) + row.start + row.length);
    EXPECT_FALSE(cursor.hasSelection());
    EXPECT_EQ(builder.Focus(), row.focus_in_text ? "TxtExpression" : SpecOf(row.button).name);
    EXPECT_EQ(testing::BoxTitles(builder.boxes), row.boxes);
    EXPECT_TRUE(builder.Enabled(Control::kCmdOK) && builder.dialog->isVisible());
  }
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
    const auto code = static_cast<int>(field.type);
    const bool accepted = code >= 0 && code <= 6;
    builder.dialog->SetExpressionText(u"x");
    builder.Select(1);
    builder.boxes.Clear();
    builder.Pick(Control::kCmbLabelFields, field.name);
    builder.Click(Control::kCmdAddField);
    EXPECT_EQ(builder.Text(), accepted ? "x[" + U8(field.name) + "]" : "x") << code;
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

TEST(BuilderFormTest, BoxesAreQtMessageBoxesWithTheStylesIcon) {
  for (const auto& [style, icon] :
       {std::pair{ui::MessageBoxStyle::kCritical, QMessageBox::Critical},
        {ui::MessageBoxStyle::kExclamation, QMessageBox::Warning},
        {ui::MessageBoxStyle::kInformation, QMessageBox::Information}}) {
    std::string seen;
    testing::AnswerNextBox(seen);
    // Line breaks become Qt's own; tags stay text.
    ui::ActiveMessageBoxes().Show(u"<b>one</b>\r\ntwo", u"Title", style);
    EXPECT_EQ(seen, "Title|<b>one</b>\ntwo|" + std::to_string(icon));
  }
  ui::ActiveMessageBoxes().Beep();  // the application's beep; nothing to see
}

}  // namespace
}  // namespace pelt::builder
