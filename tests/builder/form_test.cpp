// What the dialog's handlers do, on the Qt dialog: the catalogues, load,
// activation and closing, every button and typing, the boxes, and the
// call-stack reports of failing handlers.

#include <QMessageBox>
#include <QPushButton>
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
      "Unexpected Program Error (exclamation): cmbReservedWords_Click "
      "PeltExpressions:frmExpressionBuilder ";
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
    host::MemoryTable table = PlacesTable();
    Builder builder(&table, row.words, row.expression, {u"Name"});
    // Verify and OK follow the text; reserved words wait for activation.
    EXPECT_EQ(Disabled(*builder.dialog),
              row.expression.empty() ? "CmdVerifyExpression CmdOK " : "");
    EXPECT_EQ(builder.dialog->EntryCount(kCmbReservedWords), 0);
    EXPECT_EQ(builder.Label(kLblReservedWordDescription),
              U8(SpecOf(kLblReservedWordDescription).text));
    builder.Show();
    // Minimised and restored (hidden and shown by the window manager): the
    // same showing, so the words are not listed again.
    const std::string listed = Entries(*builder.dialog, kCmbReservedWords);
    builder.dialog->hide();
    builder.dialog->show();
    QTest::qWait(20);
    EXPECT_EQ(Entries(*builder.dialog, kCmbReservedWords), listed);
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
    // OK takes the text; closing either way lets go of the caller's objects,
    // and reaching the text again loads the dialog once more with that text.
    builder.Click(row.expression.empty() ? kCmdCancel : kCmdOK);
    ExpressionBuilderForm& form = *builder.form;
    EXPECT_EQ(form.AcceptedExpression(), row.expression);
    EXPECT_TRUE(!form.loaded() && !form.table() && !form.reserved_words() &&
                !form.reserved_word_descriptions() && !form.evaluator());
    EXPECT_EQ(form.ExpressionText(), row.expression);
    EXPECT_EQ(form.load_count(), 2);
  }
}

TEST(BuilderFormTest, ButtonsAndTypingEditAtTheCaretOrShowABox) {
  using host::FieldType;
  using pelt::testing::Operation;
  const std::map<Control, Control> list_of = {
      {kCmdAddField, kCmbLabelFields},
      {kCmdAddFormattingStatement, kCmbFormattingStatements},
      {kCmdAddReservedWord, kCmbReservedWords},
      {kCmdAddTag, kCmbTags}};
  const std::string failed =
      "Unexpected Program Error (exclamation): CmdAddField_Click "
      "PeltExpressions:frmExpressionBuilder ";
  struct Row {
    std::u16string_view text;
    int start, length;    // the selection before the action
    Control button;       // clicked, or the text box that the keys are typed into
    std::u16string pick;  // the entry chosen in the button's list, or the keys
    std::string result;   // with a '|' where the caret ends, nothing selected
    bool focus_in_text;   // otherwise the focus stays on the button
    std::string boxes;
    std::optional<Operation> failing = std::nullopt;  // the table call made to fail
  };
  std::vector<Row> rows = {
      {u"abc", 0, 0, kCmdAddField, u"Name", "[Name]|abc", true, ""},
      {u"a XX b", 2, 2, kCmdAddField, u"Population", "a [Population]| b", true, ""},
      {u"[Name].X", 6, 2, kCmdAddFormattingStatement, u".Mid(0,0)", "[Name].Mid(0,0)|", true, ""},
      // No separator is added on either side; line breaks cross as CR LF.
      {u"a\nb", 1, 0, kCmdAddReservedWord, u"$$DATE", "a$$DATE|\r\nb", false, ""},
      {u"x a\rb y", 2, 3, kCmdAddTag, u"<BOL></BOL>", "x <BOL>a\r\nb</BOL>| y", false, ""},
      {u"", 0, 0, kCmdAddTag, u"<LIN></LIN>", "<LIN></LIN>|", false, ""},
      // Verify shows the verdict and changes nothing.
      {u"[Name].UCase", 0, 0, kCmdVerifyExpression, u"", "|[Name].UCase", false,
       "Valid Expression (information)"},
      {u"[Nobody]", 0, 0, kCmdVerifyExpression, u"", "|[Nobody]", false, "Invalid Expression!"},
      {u"[Geometry]", 0, 0, kCmdVerifyExpression, u"", "|[Geometry]", false, "Invalid Expression!"},
      // Enter starts a new line (no button is the default); Verify and OK
      // follow the text, blanks included.
      {u"a\r\n", 2, 0, kTxtExpression, u"b\rc", "a\r\nb\r\nc|", true, ""},
      {u"ab", 1, 0, kTxtExpression, u"\x01\b", "|", true, ""},
      // Ctrl+A (SOH here) in an empty text selects nothing and passes on to
      // the dialog, which lets it be.
      {u"", 0, 0, kTxtExpression, u"\x01 ", " |", true, ""},
      // Each table call of Add field fails in turn.
      {u"x", 1, 0, kCmdAddField, u"Name", "x|", false, failed, Operation::kIndexOfField},
      {u"x", 1, 0, kCmdAddField, u"Name", "x|", false, failed, Operation::kFieldList},
      {u"x", 1, 0, kCmdAddField, u"Name", "x|", false, failed, Operation::kFieldAt},
      {u"x", 1, 0, kCmdAddField, u"Name", "x|", false, failed, Operation::kFieldTypeCode},
  };
  std::vector<host::FieldSpec> fields = {{u"Name", FieldType::kString},
                                         {u"Population", FieldType::kInteger},
                                         {u"Geometry", FieldType::kGeometry}};
  // Add field takes the type codes 0 to 6 only; verification would take 9
  // and 10 too.
  for (const int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1}) {
    const std::u16string name = u"F" + value::FromUtf8(std::to_string(code));
    const bool taken = code >= 0 && code <= 6;
    fields.push_back({name, static_cast<FieldType>(code)});
    rows.push_back({u"x", 1, 0, kCmdAddField, name, taken ? "x[" + U8(name) + "]|" : "x|", taken,
                    taken ? "" : "Invalid Field Type!"});
  }
  // A name the table does not know: its -1 passes on to FieldAt, which fails.
  rows.push_back({u"x", 1, 0, kCmdAddField, u"Gone", "x|", false, failed});
  host::MemoryTable memory(fields);
  RecordingTable table(memory);
  Builder builder(&table, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Date"}}), u"x",
                  {u"Gone"});
  for (const host::FieldSpec& field : fields) builder.form->AddLabelField(field.name);
  builder.Show();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.result);
    builder.dialog->SetExpressionText(row.text);
    builder.Select(row.start, row.length);
    builder.boxes.Clear();
    table.ClearCalls();
    if (row.failing) table.FailCall(row.failing, 1, RecordingTable::InjectedFailure(*row.failing));
    if (row.button == kTxtExpression) {
      builder.Expression()->setFocus();
      for (const char16_t key : row.pick) {
        key == u'\x01' ? QTest::keyClick(builder.Expression(), Qt::Key_A, Qt::ControlModifier)
                       : QTest::keyClick(builder.Expression(), static_cast<char>(key));
      }
    } else {
      if (list_of.contains(row.button)) builder.Pick(list_of.at(row.button), row.pick);
      builder.Click(row.button);
    }
    table.ClearFault();
    EXPECT_EQ(builder.TextAtCaret(), row.result);
    EXPECT_FALSE(builder.Expression()->textCursor().hasSelection());
    EXPECT_EQ(builder.Focus(), row.focus_in_text ? "TxtExpression" : SpecOf(row.button).name);
    EXPECT_EQ(Boxes(builder.boxes), row.boxes);
    EXPECT_EQ(Disabled(*builder.dialog), row.result == "|" ? "CmdVerifyExpression CmdOK " : "");
    EXPECT_TRUE(builder.dialog->isVisible());
  }
  // The host sees Add field's calls in this order.
  EXPECT_EQ(U8(table.CallTrace()), "IndexOfField(Gone) FieldList FieldAt(-1)");
}

TEST(BuilderFormTest, BoxesAreQtMessageBoxesWithTheStylesIcon) {
  for (const auto& [style, icon] :
       {std::pair{ui::MessageBoxStyle::kCritical, QMessageBox::Critical},
        {ui::MessageBoxStyle::kExclamation, QMessageBox::Warning},
        {ui::MessageBoxStyle::kInformation, QMessageBox::Information}}) {
    std::string seen;
    WhenModalOpens([&seen](QWidget& modal) {
      auto* box = qobject_cast<QMessageBox*>(&modal);
      if (box == nullptr) return false;
      seen = (box->windowTitle() + "|" + box->text() + "|" + QString::number(box->icon()))
                 .toStdString();
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    // Line breaks become Qt's own; tags stay text.
    ui::ActiveMessageBoxes().Show(u"<b>one</b>\r\ntwo", u"Title", style);
    EXPECT_EQ(seen, "Title|<b>one</b>\ntwo|" + std::to_string(icon));
  }
  ui::ActiveMessageBoxes().Beep();  // the application's beep; nothing to see
}

}  // namespace
}  // namespace pelt::builder::testing
