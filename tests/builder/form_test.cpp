// What the dialog's handlers do, on the Qt dialog: the catalogues, load and
// activation, every button, the boxes, and the call-stack reports of failing
// handlers.

#include <QMessageBox>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/tag_catalogue.h"
#include "errors/messages.h"
#include "pelt/language/statements.h"
#include "pelt/value/text.h"
#include "qt_test_environment.h"

namespace pelt::builder::testing {
namespace {

using Catalogue = std::vector<std::pair<std::u16string_view, std::u16string_view>>;

TEST(BuilderFormTest, CataloguesListEveryEntryAndShowItsDescription) {
  std::map<Control, Catalogue> catalogues;  // entries and descriptions by list
  for (const language::StatementInfo& info : language::Statements()) {
    catalogues[kCmbFormattingStatements].emplace_back(info.catalogue_entry, info.description);
  }
  for (const TagInfo& tag : Tags()) catalogues[kCmbTags].emplace_back(tag.entry, tag.description);
  Builder builder(nullptr, {}, u"", {});
  for (const auto& [list, rows] : catalogues) {
    const Control label = list == kCmbTags ? kLblTagDescription : kLblFormatDescription;
    EXPECT_EQ(builder.Label(label), U8(rows.front().second));  // loading selects the first
    std::string entries;
    for (const auto& row : rows) entries += U8(row.first) + "|";
    EXPECT_EQ(Entries(*builder.dialog, list), entries);
    // Backwards, so that every pick is a change of selection.
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
      builder.Pick(list, row->first);
      EXPECT_EQ(builder.Label(label), U8(row->second)) << U8(row->first);
    }
  }
}

TEST(BuilderFormTest, OpeningListsTheReservedWordsAndEnablesWhatHasSomethingToDo) {
  const std::string none = U8(errors::MessageText(errors::MessageId::kNoReservedWords));
  const std::string report =
      "Unexpected Program Error: cmbReservedWords_Click PeltExpressions:frmExpressionBuilder ";
  const struct {
    ReservedWords words;
    std::u16string_view expression;
    std::string description;  // of the first reserved word, once activated
    std::string picked;       // each word with its description, picking them backwards
    std::string disabled;     // once activated
    std::string boxes;
  } rows[] = {
      {MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Today"}}), u"[N]", "Page",
       "$$DATE=Today|$$PAGE=Page|", "", ""},
      {{}, u"", none, "", "fraReservedWords CmdVerifyExpression CmdOK ", ""},
      // Absent collections count as empty ones; blanks count as text.
      {{nullptr, nullptr}, u" ", none, "", "fraReservedWords ", ""},
      // A word without a description: the selection handler clears the label
      // and reports it, activation leaves the description empty.
      {MakeReservedWords({{u"$$PAGE", nullptr}, {u"$$DATE", u"Today"}}), u"", "",
       "$$DATE=Today|$$PAGE=|", "CmdVerifyExpression CmdOK ", report + " | " + report},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.picked);
    Builder builder(nullptr, row.words, row.expression, {u"Name"});
    // Verify and OK follow the text; reserved words wait for activation.
    EXPECT_EQ(Disabled(*builder.dialog),
              row.expression.empty() ? "CmdVerifyExpression CmdOK " : "");
    EXPECT_EQ(builder.dialog->EntryCount(kCmbReservedWords), 0);
    EXPECT_EQ(builder.Label(kLblReservedWordDescription),
              U8(SpecOf(kLblReservedWordDescription).text));
    builder.Show();
    EXPECT_EQ(builder.Label(kLblReservedWordDescription), row.description);
    EXPECT_EQ(Disabled(*builder.dialog), row.disabled);
    std::string picked;
    for (int i = builder.dialog->EntryCount(kCmbReservedWords) - 1; i >= 0; --i) {
      builder.dialog->SelectIndex(kCmbReservedWords, i);
      picked += U8(builder.dialog->ListText(kCmbReservedWords)) + "=" +
                builder.Label(kLblReservedWordDescription) + "|";
    }
    EXPECT_EQ(picked, row.picked);
    EXPECT_EQ(Boxes(builder.boxes), row.boxes);
  }
}

TEST(BuilderFormTest, ButtonsAndTypingEditAtTheCaretOrShowABox) {
  const std::map<Control, Control> list_of = {
      {kCmdAddField, kCmbLabelFields},
      {kCmdAddFormattingStatement, kCmbFormattingStatements},
      {kCmdAddReservedWord, kCmbReservedWords},
      {kCmdAddTag, kCmbTags}};
  const struct {
    std::u16string_view text;
    int start, length;         // the selection before the action
    Control button;            // clicked, or the text box that the keys are typed into
    std::u16string_view pick;  // the entry chosen in the button's list, or the keys
    std::string result;        // with a '|' where the caret ends, nothing selected
    bool focus_in_text;        // otherwise the focus stays on the button
    std::string boxes;
  } rows[] = {
      {u"abc", 0, 0, kCmdAddField, u"Name", "[Name]|abc", true, ""},
      {u"a XX b", 2, 2, kCmdAddField, u"Population", "a [Population]| b", true, ""},
      {u"[Name].X", 6, 2, kCmdAddFormattingStatement, u".Mid(0,0)", "[Name].Mid(0,0)|", true, ""},
      // No separator is added on either side; line breaks cross as CR LF.
      {u"a\nb", 1, 0, kCmdAddReservedWord, u"$$DATE", "a$$DATE|\r\nb", false, ""},
      {u"x a\rb y", 2, 3, kCmdAddTag, u"<BOL></BOL>", "x <BOL>a\r\nb</BOL>| y", false, ""},
      {u"", 0, 0, kCmdAddTag, u"<LIN></LIN>", "<LIN></LIN>|", false, ""},
      // Verify shows the verdict and changes nothing.
      {u"[Name].UCase", 0, 0, kCmdVerifyExpression, u"", "|[Name].UCase", false,
       "Valid Expression"},
      {u"[Nobody]", 0, 0, kCmdVerifyExpression, u"", "|[Nobody]", false, "Invalid Expression!"},
      {u"[Geometry]", 0, 0, kCmdVerifyExpression, u"", "|[Geometry]", false, "Invalid Expression!"},
      // Enter starts a new line (no button is the default); Verify and OK
      // follow the text, blanks included.
      {u"a\r\n", 2, 0, kTxtExpression, u"b\rc", "a\r\nb\r\nc|", true, ""},
      {u"ab", 0, 2, kTxtExpression, u"\b", "|", true, ""},
      {u"", 0, 0, kTxtExpression, u" ", " |", true, ""},
  };
  host::MemoryTable table = PlacesTable();
  Builder builder(&table, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Date"}}), u"x",
                  {u"Name", u"Population"});
  builder.Show();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result);
    builder.dialog->SetExpressionText(row.text);
    builder.Select(row.start, row.length);
    builder.boxes.Clear();
    if (row.button == kTxtExpression) {
      builder.Expression()->setFocus();
      QTest::keyClicks(builder.Expression(), ToQString(row.pick));
    } else {
      if (list_of.contains(row.button)) builder.Pick(list_of.at(row.button), row.pick);
      builder.Click(row.button);
    }
    EXPECT_EQ(builder.TextAtCaret(), row.result);
    EXPECT_FALSE(builder.Expression()->textCursor().hasSelection());
    EXPECT_EQ(builder.Focus(), row.focus_in_text ? "TxtExpression" : SpecOf(row.button).name);
    EXPECT_EQ(Boxes(builder.boxes), row.boxes);
    EXPECT_EQ(Disabled(*builder.dialog), row.result == "|" ? "CmdVerifyExpression CmdOK " : "");
    EXPECT_TRUE(builder.dialog->isVisible());
  }
}

TEST(BuilderFormTest, AddFieldChecksTheTypeAndReportsFailingTableCalls) {
  using host::Operation;
  std::vector<host::FieldSpec> fields = {{u"Name", host::FieldType::kString}};
  for (const int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1}) {
    fields.push_back(
        {u"F" + value::FromUtf8(std::to_string(code)), static_cast<host::FieldType>(code)});
  }
  host::MemoryTable table(fields);
  Builder builder(&table, {}, u"", {});
  for (const host::FieldSpec& field : fields) builder.form->AddLabelField(field.name);
  builder.form->AddLabelField(u"Gone");  // a name the table does not know
  builder.Show();
  const auto add = [&](std::u16string_view field) {
    builder.dialog->SetExpressionText(u"x");
    builder.Select(1);
    builder.boxes.Clear();
    table.ClearCalls();
    builder.Pick(kCmbLabelFields, field);
    builder.Click(kCmdAddField);
  };
  table.RecordCalls(true);
  // Only codes 0 to 6 are added; verification would accept 9 and 10.
  for (const host::FieldSpec& field : fields) {
    const auto code = static_cast<int>(field.type);
    const bool accepted = code >= 0 && code <= 6;
    add(field.name);
    EXPECT_EQ(builder.Text(), accepted ? "x[" + U8(field.name) + "]" : "x") << code;
    EXPECT_EQ(builder.Focus(), accepted ? "TxtExpression" : "CmdAddField");
    EXPECT_EQ(Boxes(builder.boxes), accepted ? "" : "Invalid Field Type!");
    if (!accepted) {
      EXPECT_EQ(U8(builder.boxes.Boxes()[0].text), "Can't use Geometry or Blob Fields");
      EXPECT_EQ(builder.boxes.Boxes()[0].style, ui::MessageBoxStyle::kCritical);
    }
  }
  EXPECT_EQ(U8(table.CallTrace()), "IndexOfField(F-1) FieldList FieldAt(12) FieldTypeCode(F-1)");
  // Each table call fails in turn; then an unknown name, whose -1 passes on
  // to FieldAt, which fails.
  for (const std::optional<Operation> failing :
       {std::optional(Operation::kIndexOfField), std::optional(Operation::kFieldList),
        std::optional(Operation::kFieldAt), std::optional(Operation::kFieldTypeCode),
        std::optional<Operation>()}) {
    if (failing) table.FailCall(failing, 1, host::MemoryTable::InjectedFailure(*failing));
    add(failing ? u"Name" : u"Gone");
    table.ClearFault();
    EXPECT_EQ(builder.Text(), "x");
    EXPECT_EQ(Boxes(builder.boxes),
              "Unexpected Program Error: CmdAddField_Click PeltExpressions:frmExpressionBuilder ");
    EXPECT_TRUE(builder.dialog->isVisible());
  }
  EXPECT_EQ(U8(table.CallTrace()), "IndexOfField(Gone) FieldList FieldAt(-1)");
}

TEST(BuilderFormTest, BoxesAreQtMessageBoxesWithTheStylesIcon) {
  for (const auto& [style, icon] :
       {std::pair{ui::MessageBoxStyle::kCritical, QMessageBox::Critical},
        {ui::MessageBoxStyle::kExclamation, QMessageBox::Warning},
        {ui::MessageBoxStyle::kInformation, QMessageBox::Information}}) {
    std::string seen;
    AnswerNextBox(seen);
    // Line breaks become Qt's own; tags stay text.
    ui::ActiveMessageBoxes().Show(u"<b>one</b>\r\ntwo", u"Title", style);
    EXPECT_EQ(seen, "Title|<b>one</b>\ntwo|" + std::to_string(icon));
  }
  ui::ActiveMessageBoxes().Beep();  // the application's beep; nothing to see
}

}  // namespace
}  // namespace pelt::builder::testing
