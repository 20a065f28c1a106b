// The builder's logic on controls kept in memory: catalogues, the load,
// activation and unload steps, every handler's effect on the expression box,
// and the call-stack reports of failing handlers.

#include "builder/expression_builder_form.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "builder_test_support.h"
#include "fake_dialog_view.h"
#include "pelt/host/memory_table.h"
#include "pelt/language/statements.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/locale.h"
#include "support/dump.h"

namespace pelt::builder {
namespace {

using host::FieldSpec;
using host::FieldType;
using host::MemoryTable;
using pelt::testing::U8;
using testing::FakeDialogView;
using testing::MakeReservedWords;
using testing::ReportedProcedure;
using ui::MessageBoxStyle;

// A form with its in-memory controls, not yet loaded.
struct Dialog {
  std::unique_ptr<ExpressionBuilderForm> form;
  FakeDialogView* view = nullptr;
};

Dialog MakeDialog() {
  Dialog dialog;
  dialog.form = std::make_unique<ExpressionBuilderForm>([&](ExpressionBuilderForm& form) {
    auto view = std::make_unique<FakeDialogView>(form);
    dialog.view = view.get();
    return view;
  });
  return dialog;
}

// Loads the dialog as EditExpression does: members, text, fields; then shows
// it and runs the user's actions.
void Open(Dialog& dialog, MemoryTable* table, const testing::ReservedWords& words,
          std::u16string_view expression, FakeDialogView::UserActions actions) {
  ExpressionBuilderForm& form = *dialog.form;
  form.SetTable(table);
  form.SetReservedWords(words.words);
  form.SetReservedWordDescriptions(words.descriptions);
  form.SetExpressionText(expression);
  if (table != nullptr) {
    host::HostFields* fields = nullptr;
    ASSERT_TRUE(table->FieldList(fields).ok());
    std::int32_t count = 0;
    ASSERT_TRUE(fields->FieldCount(count).ok());
    for (std::int32_t i = 0; i < count; ++i) {
      host::HostField* field = nullptr;
      ASSERT_TRUE(fields->FieldAt(i, field).ok());
      std::u16string name;
      ASSERT_TRUE(field->FieldName(name).ok());
      form.AddLabelField(name);
    }
    form.SelectFirstLabelField();
  }
  dialog.view->set_user_actions(std::move(actions));
  form.ShowModal();
}

MemoryTable PlacesTable() {
  return MemoryTable({{u"Name", FieldType::kString},
                      {u"Population", FieldType::kInteger},
                      {u"Geometry", FieldType::kGeometry}});
}

TEST(ExpressionBuilderFormTest, TwipsBecomePixelsAtTheScreensDensity) {
  struct Row {
    int line;
    int twips;
    double dots_per_inch;
    int pixels;
  } rows[] = {
      {__LINE__, 8040, 96, 536},  {__LINE__, 6900, 96, 460}, {__LINE__, 15, 96, 1},
      {__LINE__, 7, 96, 0},       {__LINE__, 8, 96, 1},      {__LINE__, 8040, 120, 670},
      {__LINE__, 6900, 144, 690}, {__LINE__, 345, 192, 46},  {__LINE__, 0, 96, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(TwipsToPixels(row.twips, row.dots_per_inch), row.pixels);
  }
}

TEST(ExpressionBuilderFormTest, StatementCatalogueShowsEachDescriptionExactly) {
  struct Row {
    int line;
    std::u16string_view entry;
    std::u16string_view description;
  } rows[] = {
      {__LINE__, u".Abs", u".Abs: Absolute value of a number.  Example: -3.Abs = 3"},
      {__LINE__, u".FormatCurrency",
       u".FormatCurrency: Number formatted to system currency.  Example: 100.FormatCurrency = "
       u"$100.00"},
      {__LINE__, u".Format(Instructions)",
       u".Format(Instructions): Format strings, numbers and dates using instructions.  See Help "
       u"for examples."},
      {__LINE__, u".FormatNumber(0)",
       u".FormatNumber(0): Sets number of decimal places.  Example: 2.53.FormatNumber(4) = 2.5300"},
      {__LINE__, u".LCase",
       u".LCase: Sets all characters to lower case.  Example: \"Hello World\".LCase = \"hello "
       u"world\" "},
      {__LINE__, u".Left(0)",
       u".Left(0): Returns left x number of characters.  Example: \"Hello World\".Left(2) = "
       u"\"He\" "},
      {__LINE__, u".LTrim",
       u".LTrim: Removes spaces to left of string.  Example: \"   Hello World\".LTrim = \"Hello "
       u"World\" "},
      {__LINE__, u".Mid(0,0)",
       u".Mid(0,0): Returns middle x number of characters.  Example: \"Hello World\".Mid(7,3) = "
       u"\"Wor\" "},
      {__LINE__, u".Replace(Search,Replace)",
       u".Replace(Search,Replace): Replace string.  Example: \"Hello World\".Replace(o,xx) = "
       u"\"Hellxx Wxxrld\" "},
      {__LINE__, u".Right(0)",
       u".Right(0): Returns right x number of characters.  Example: \"Hello World\".Right(2) = "
       u"\"ld\" "},
      {__LINE__, u".Round(0)",
       u".Round(0): Rounds number to decimal places.  Example: 2.67.Round(0) = 3"},
      {__LINE__, u".RTrim",
       u".RTrim: Removes spaces to right of string.  Example: \"Hello World     \".RTrim = "
       u"\"Hello World\" "},
      {__LINE__, u".Spaces(0)",
       u".Spaces(0): Inserts spaces between characters.  Example: \"GIS\".Spaces(3) = \"G   I   "
       u"S\" "},
      {__LINE__, u".Trim",
       u".Trim: Removes spaces from both sides of string.  Example: \"   Hello World     \".Trim "
       u"= \"Hello World\" "},
      {__LINE__, u".UCase",
       u".UCase: Sets all characters to upper case.  Example: \"Hello World\".UCase = \"HELLO "
       u"WORLD\" "},
  };
  Dialog dialog = MakeDialog();
  dialog.form->SetExpressionText(u"");
  FakeDialogView& view = *dialog.view;
  const std::vector<std::u16string> entries = view.Entries(Control::kCmbFormattingStatements);
  ASSERT_EQ(entries.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.line);
    EXPECT_EQ(U8(entries[i]), U8(row.entry));
    view.Pick(Control::kCmbFormattingStatements, row.entry);
    EXPECT_EQ(U8(view.LabelText(Control::kLblFormatDescription)), U8(row.description));
  }
}

TEST(ExpressionBuilderFormTest, TagCatalogueKeepsItsOrderAndDescriptions) {
  struct Row {
    int line;
    std::u16string_view entry;
    std::u16string_view description;
  } rows[] = {
      {__LINE__, u"<FNT></FNT>",
       u"Font Name and Size. Example: <FNT name=\"Arial\" size=\"18\">My text</FNT>"},
      {__LINE__, u"<CLR></CLR>",
       u"Color (RGB or CMYK). Example: <CLR red=\"255\" green=\"255\" blue=\"255\">My "
       u"text</CLR>"},
      {__LINE__, u"<BOL></BOL>", u"Bold. Example: <BOL>My text</BOL>"},
      {__LINE__, u"<ITA></ITA>", u"Italics. Example: <ITA>My text</ITA>"},
      {__LINE__, u"<UND></UND>", u"Underline. Example: <UND>My text</UND>"},
      {__LINE__, u"<ACP></ACP>", u"All Capitals. Example: <ACP>My text</ACP>"},
      {__LINE__, u"<SCP></SCP>", u"Small Capitals. Example: <SCP>My text</SCP>"},
      {__LINE__, u"<SUP></SUP>", u"Superscript. Example: <SUP>My text</SUP>"},
      {__LINE__, u"<SUB></SUB>", u"Subscript. Example: <SUB>My text</SUB>"},
      {__LINE__, u"<CHR></CHR>", u"Character Spacing (%). Example: <CHR spacing=\"25\">My text</CHR>"},
      {__LINE__, u"<WRD></WRD>", u"Word Spacing (%). Example: <WRD spacing=\"150\">My text</WRD>"},
      {__LINE__, u"<LIN></LIN>",
       u"Leading Line (pts). Example:  <LIN leading=\"12\">My text</LIN>"},
  };
  Dialog dialog = MakeDialog();
  dialog.form->SetExpressionText(u"");
  FakeDialogView& view = *dialog.view;
  const std::vector<std::u16string> entries = view.Entries(Control::kCmbTags);
  ASSERT_EQ(entries.size(), std::size(rows));
  // Walk backwards so that every pick changes the selection.
  for (std::size_t i = std::size(rows); i-- > 0;) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.line);
    EXPECT_EQ(U8(entries[i]), U8(row.entry));
    view.Pick(Control::kCmbTags, row.entry);
    EXPECT_EQ(U8(view.LabelText(Control::kLblTagDescription)), U8(row.description));
  }
}

TEST(ExpressionBuilderFormTest, LoadSelectsFirstEntriesAndDisablesVerifyAndOk) {
  struct Row {
    int line;
    std::u16string_view expression;
    bool verify_and_ok_enabled;  // after the caller has set the text
  } rows[] = {
      {__LINE__, u"", false},
      {__LINE__, u" ", true},  // blanks count as text
      {__LINE__, u"[Name]", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Dialog dialog = MakeDialog();
    EXPECT_FALSE(dialog.form->loaded());
    dialog.form->SetExpressionText(row.expression);
    FakeDialogView& view = *dialog.view;
    EXPECT_TRUE(dialog.form->loaded());
    EXPECT_EQ(dialog.form->load_count(), 1);
    EXPECT_NE(dialog.form->evaluator(), nullptr);
    EXPECT_EQ(U8(view.ListText(Control::kCmbFormattingStatements)), ".Abs");
    EXPECT_EQ(U8(view.LabelText(Control::kLblFormatDescription)),
              ".Abs: Absolute value of a number.  Example: -3.Abs = 3");
    EXPECT_EQ(U8(view.ListText(Control::kCmbTags)), "<FNT></FNT>");
    EXPECT_EQ(U8(view.ExpressionText()), U8(row.expression));
    EXPECT_EQ(view.IsEnabled(Control::kCmdVerifyExpression), row.verify_and_ok_enabled);
    EXPECT_EQ(view.IsEnabled(Control::kCmdOK), row.verify_and_ok_enabled);
    // Fields and reserved words are not touched before activation.
    EXPECT_EQ(view.EntryCount(Control::kCmbReservedWords), 0);
    EXPECT_EQ(U8(view.LabelText(Control::kLblReservedWordDescription)), "Formatting Description");
  }
}

TEST(ExpressionBuilderFormTest, ChangeOfTextEnablesVerifyAndOkUnlessEmpty) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  Dialog dialog = MakeDialog();
  MemoryTable table = PlacesTable();
  std::vector<std::string> states;
  auto record = [&](FakeDialogView& view) {
    states.push_back(std::string(view.IsEnabled(Control::kCmdVerifyExpression) ? "V" : "-") +
                     (view.IsEnabled(Control::kCmdOK) ? "O" : "-"));
  };
  Open(dialog, &table, {}, u"", [&](FakeDialogView& view) {
    record(view);
    view.Type(u"a");
    record(view);
    view.Select(0, 1);
    view.Type(u"");
    record(view);
    view.Type(u" ");
    record(view);
  });
  EXPECT_EQ(states, (std::vector<std::string>{"--", "VO", "--", "VO"}));
  EXPECT_TRUE(boxes.events().empty());
}

TEST(ExpressionBuilderFormTest, ActivationFillsReservedWordsAndSetsGroupStates) {
  struct Row {
    int line;
    bool with_table;
    bool absent_collections;
    testing::ReservedWords words;
    std::vector<std::u16string> listed;
    std::string word_description;
    bool words_enabled;
    bool fields_enabled;
    std::string format_description;
    std::string boxes;  // titles of the boxes shown
  } rows[] = {
      {__LINE__, true, false,
       MakeReservedWords({{u"$$PAGE_NUMBER", u"Page number"}, {u"$$DATE", u"Today"}}),
       {u"$$PAGE_NUMBER", u"$$DATE"}, "Page number", true, true,
       ".Abs: Absolute value of a number.  Example: -3.Abs = 3", ""},
      {__LINE__, true, false, {}, {}, "No reserved words available.", false, true,
       ".Abs: Absolute value of a number.  Example: -3.Abs = 3", ""},
      // Absent collections count as empty ones.
      {__LINE__, true, true, {}, {}, "No reserved words available.", false, true,
       ".Abs: Absolute value of a number.  Example: -3.Abs = 3", ""},
      // A word without a description: the selection handler reports it once,
      // activation leaves the description empty.
      {__LINE__, true, false, MakeReservedWords({{u"$$PAGE", nullptr}, {u"$$DATE", u"Today"}}),
       {u"$$PAGE", u"$$DATE"}, "", true, true,
       ".Abs: Absolute value of a number.  Example: -3.Abs = 3", "Unexpected Program Error"},
      {__LINE__, false, false, MakeReservedWords({{u"$$PAGE", u"Page"}}), {u"$$PAGE"}, "Page",
       true, false, "No database fields available.", ""},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    if (row.absent_collections) row.words = {nullptr, nullptr};
    std::vector<std::u16string> listed;
    std::string word_description;
    std::string format_description;
    bool words_enabled = false;
    bool fields_enabled = false;
    bool statements_enabled = false;
    Open(dialog, row.with_table ? &table : nullptr, row.words, u"", [&](FakeDialogView& view) {
      listed = view.Entries(Control::kCmbReservedWords);
      word_description = U8(view.LabelText(Control::kLblReservedWordDescription));
      format_description = U8(view.LabelText(Control::kLblFormatDescription));
      words_enabled = view.IsEnabled(Control::kCmdAddReservedWord);
      fields_enabled = view.IsEnabled(Control::kCmdAddField);
      statements_enabled = view.IsEnabled(Control::kCmdAddFormattingStatement);
    });
    EXPECT_EQ(listed, row.listed);
    EXPECT_EQ(word_description, row.word_description);
    EXPECT_EQ(words_enabled, row.words_enabled);
    EXPECT_EQ(fields_enabled, row.fields_enabled);
    EXPECT_EQ(statements_enabled, row.fields_enabled);
    EXPECT_EQ(format_description, row.format_description);
    EXPECT_EQ(testing::BoxTitles(boxes), row.boxes);
    if (!boxes.Boxes().empty()) {
      EXPECT_EQ(U8(ReportedProcedure(boxes.Boxes()[0])),
                "cmbReservedWords_Click PeltExpressions:frmExpressionBuilder ");
    }
  }
}

TEST(ExpressionBuilderFormTest, PickingAReservedWordShowsItsDescription) {
  struct Row {
    int line;
    std::u16string_view before;  // picked first, so that the pick is a change
    std::u16string_view pick;
    std::string description;
    std::size_t reports;
  } rows[] = {
      {__LINE__, u"$$NODESC", u"$$DATE", "Today's date", 0},
      {__LINE__, u"$$NODESC", u"$$PAGE", "Page number", 0},
      {__LINE__, u"$$DATE", u"$$NODESC", "", 1},  // cleared, then one report
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    std::string description;
    Open(dialog, &table,
         MakeReservedWords(
             {{u"$$PAGE", u"Page number"}, {u"$$DATE", u"Today's date"}, {u"$$NODESC", nullptr}}),
         u"", [&](FakeDialogView& view) {
           view.Pick(Control::kCmbReservedWords, row.before);
           boxes.Clear();
           view.Pick(Control::kCmbReservedWords, row.pick);
           description = U8(view.LabelText(Control::kLblReservedWordDescription));
         });
    EXPECT_EQ(description, row.description);
    EXPECT_EQ(boxes.Boxes().size(), row.reports);
  }
}

TEST(ExpressionBuilderFormTest, AddButtonsEditAtTheInsertionPoint) {
  enum class Add { kField, kStatement, kWord, kTag };
  struct Row {
    int line;
    std::u16string_view text;
    std::size_t start, length;  // the selection before the button
    Add add;
    std::u16string_view pick;  // the entry chosen in the button's list
    std::string result;
    std::size_t caret;
    bool focus_in_text;
  } rows[] = {
      {__LINE__, u"abc", 0, 0, Add::kField, u"Name", "[Name]abc", 6, true},
      {__LINE__, u"abc", 3, 0, Add::kField, u"Population", "abc[Population]", 15, true},
      {__LINE__, u"a XX b", 2, 2, Add::kField, u"Name", "a [Name] b", 8, true},
      {__LINE__, u"[Name]", 6, 0, Add::kStatement, u".Mid(0,0)", "[Name].Mid(0,0)", 15, true},
      {__LINE__, u"[Name].X", 6, 2, Add::kStatement, u".UCase", "[Name].UCase", 12, true},
      {__LINE__, u"Page ", 5, 0, Add::kWord, u"$$PAGE", "Page $$PAGE", 11, false},
      {__LINE__, u"x abc y", 2, 3, Add::kTag, u"<BOL></BOL>", "x <BOL>abc</BOL> y", 16, false},
      {__LINE__, u"xy", 1, 0, Add::kTag, u"<BOL></BOL>", "x<BOL></BOL>y", 12, false},
      {__LINE__, u"", 0, 0, Add::kTag, u"<LIN></LIN>", "<LIN></LIN>", 11, false},
      // No separator is added on either side.
      {__LINE__, u"ab", 1, 0, Add::kWord, u"$$DATE", "a$$DATEb", 7, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    std::string result;
    std::size_t caret = 0;
    std::size_t selection = 0;
    bool focus_in_text = false;
    Open(dialog, &table, MakeReservedWords({{u"$$PAGE", u"Page"}, {u"$$DATE", u"Date"}}),
         row.text, [&](FakeDialogView& view) {
           view.Select(row.start, row.length);
           switch (row.add) {
             case Add::kField:
               view.Pick(Control::kCmbLabelFields, row.pick);
               view.Click(Control::kCmdAddField);
               break;
             case Add::kStatement:
               view.Pick(Control::kCmbFormattingStatements, row.pick);
               view.Click(Control::kCmdAddFormattingStatement);
               break;
             case Add::kWord:
               view.Pick(Control::kCmbReservedWords, row.pick);
               view.Click(Control::kCmdAddReservedWord);
               break;
             case Add::kTag:
               view.Pick(Control::kCmbTags, row.pick);
               view.Click(Control::kCmdAddTag);
               break;
           }
           result = U8(view.ExpressionText());
           caret = view.caret();
           selection = view.selection_length();
           focus_in_text = view.focus() == Control::kTxtExpression;
         });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(caret, row.caret);
    EXPECT_EQ(selection, 0u);
    EXPECT_EQ(focus_in_text, row.focus_in_text);
    EXPECT_TRUE(boxes.events().empty());
  }
}

TEST(ExpressionBuilderFormTest, AddFieldAcceptsTypeCodesZeroToSixOnly) {
  struct Row {
    int line;
    std::int32_t type_code;
    std::string result;
    std::string boxes;
  } rows[] = {
      {__LINE__, 0, "[F]", ""},
      {__LINE__, 1, "[F]", ""},
      {__LINE__, 2, "[F]", ""},
      {__LINE__, 3, "[F]", ""},
      {__LINE__, 4, "[F]", ""},
      {__LINE__, 5, "[F]", ""},
      {__LINE__, 6, "[F]", ""},
      {__LINE__, 7, "", "Invalid Field Type!"},
      {__LINE__, 8, "", "Invalid Field Type!"},
      // Verification would accept these; the button does not.
      {__LINE__, 9, "", "Invalid Field Type!"},
      {__LINE__, 10, "", "Invalid Field Type!"},
      {__LINE__, -1, "", "Invalid Field Type!"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table({{u"F", static_cast<FieldType>(row.type_code)}});
    std::string result;
    std::optional<Control> focus;
    Open(dialog, &table, {}, u"", [&](FakeDialogView& view) {
      view.Click(Control::kCmdAddField);
      result = U8(view.ExpressionText());
      focus = view.focus();
    });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(testing::BoxTitles(boxes), row.boxes);
    if (!row.boxes.empty()) {
      ASSERT_EQ(boxes.Boxes().size(), 1u);
      EXPECT_EQ(U8(boxes.Boxes()[0].text), "Can't use Geometry or Blob Fields");
      EXPECT_EQ(boxes.Boxes()[0].style, MessageBoxStyle::kCritical);
      EXPECT_EQ(focus, Control::kCmdAddField);  // the focus stays on the button
    } else {
      EXPECT_EQ(focus, Control::kTxtExpression);
    }
  }
}

TEST(ExpressionBuilderFormTest, AddFieldAsksTheTableInItsOrderAndReportsItsFailures) {
  using host::Operation;
  struct Row {
    int line;
    std::optional<Operation> failing;  // nullopt: no failure
    std::string result;
    std::size_t reports;
  } rows[] = {
      {__LINE__, std::nullopt, "[Population]", 0},
      {__LINE__, Operation::kIndexOfField, "", 1},
      {__LINE__, Operation::kFieldList, "", 1},
      {__LINE__, Operation::kFieldAt, "", 1},
      {__LINE__, Operation::kFieldTypeCode, "", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    std::string result;
    std::string trace;
    Open(dialog, &table, {}, u"", [&](FakeDialogView& view) {
      view.Pick(Control::kCmbLabelFields, u"Population");
      table.RecordCalls(true);
      if (row.failing) table.FailCall(row.failing, 1, MemoryTable::InjectedFailure(*row.failing));
      view.Click(Control::kCmdAddField);
      table.RecordCalls(false);
      table.ClearFault();
      result = U8(view.ExpressionText());
    });
    EXPECT_EQ(result, row.result);
    ASSERT_EQ(boxes.Boxes().size(), row.reports);
    if (row.reports == 0) {
      EXPECT_EQ(U8(table.CallTrace()), "IndexOfField(Population) FieldList FieldAt(1) FieldTypeCode(Population)");
    } else {
      EXPECT_EQ(U8(boxes.Boxes()[0].title), "Unexpected Program Error");
      EXPECT_EQ(U8(ReportedProcedure(boxes.Boxes()[0])),
                "CmdAddField_Click PeltExpressions:frmExpressionBuilder ");
    }
  }
}

TEST(ExpressionBuilderFormTest, AddFieldOfAnUnknownNamePassesMinusOneOn) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  Dialog dialog = MakeDialog();
  MemoryTable table = PlacesTable();
  std::string trace;
  Open(dialog, &table, {}, u"x", [&](FakeDialogView& view) {
    // The list holds a name the table no longer knows.
    view.AppendEntry(Control::kCmbLabelFields, u"Gone");
    view.Pick(Control::kCmbLabelFields, u"Gone");
    table.RecordCalls(true);
    view.Click(Control::kCmdAddField);
    trace = U8(table.CallTrace());
    EXPECT_EQ(U8(view.ExpressionText()), "x");
  });
  EXPECT_EQ(trace, "IndexOfField(Gone) FieldList FieldAt(-1)");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(U8(ReportedProcedure(boxes.Boxes()[0])),
            "CmdAddField_Click PeltExpressions:frmExpressionBuilder ");
}

TEST(ExpressionBuilderFormTest, VerifyShowsTheVerdictAndChangesNothing) {
  struct Row {
    int line;
    std::u16string_view expression;
    MessageBoxStyle style;
  } rows[] = {
      {__LINE__, u"[Name].UCase", MessageBoxStyle::kInformation},
      {__LINE__, u"[Nobody]", MessageBoxStyle::kCritical},
      {__LINE__, u"[Geometry]", MessageBoxStyle::kCritical},
      {__LINE__, u"[Name", MessageBoxStyle::kCritical},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    bool ok_enabled = false;
    Open(dialog, &table, {}, row.expression, [&](FakeDialogView& view) {
      view.Click(Control::kCmdVerifyExpression);
      ok_enabled = view.IsEnabled(Control::kCmdOK);
      EXPECT_TRUE(view.shown());
    });
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].style, row.style);
    EXPECT_TRUE(ok_enabled);
  }
}

TEST(ExpressionBuilderFormTest, ClosingStoresOnlyOnOkAndReleasesTheMembers) {
  enum class Close { kOk, kCancel, kEscape, kCloseBox };
  struct Row {
    int line;
    Close close;
    std::string accepted;
  } rows[] = {
      {__LINE__, Close::kOk, "[Name] edited"},
      {__LINE__, Close::kCancel, ""},
      {__LINE__, Close::kEscape, ""},
      {__LINE__, Close::kCloseBox, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    Open(dialog, &table, MakeReservedWords({{u"$$P", u"p"}}), u"[Name]", [&](FakeDialogView& view) {
      view.Select(6);
      view.Type(u" edited");
      switch (row.close) {
        case Close::kOk: view.Click(Control::kCmdOK); break;
        case Close::kCancel: view.Click(Control::kCmdCancel); break;
        case Close::kEscape: view.PressEscape(); break;
        case Close::kCloseBox: view.CloseWindow(); break;
      }
      EXPECT_FALSE(view.shown());
    });
    ExpressionBuilderForm& form = *dialog.form;
    EXPECT_EQ(U8(form.AcceptedExpression()), row.accepted);
    EXPECT_FALSE(form.loaded());
    EXPECT_EQ(form.table(), nullptr);
    EXPECT_EQ(form.reserved_words(), nullptr);
    EXPECT_EQ(form.reserved_word_descriptions(), nullptr);
    EXPECT_EQ(form.evaluator(), nullptr);
    // Reaching the text box again loads the dialog once more, unseen, with
    // the accepted text in it and Verify and OK disabled.
    EXPECT_EQ(U8(form.ExpressionText()), row.accepted);
    EXPECT_EQ(form.load_count(), 2);
    EXPECT_FALSE(dialog.view->IsEnabled(Control::kCmdOK));
    EXPECT_FALSE(dialog.view->IsEnabled(Control::kCmdVerifyExpression));
    EXPECT_TRUE(boxes.events().empty());
  }
}

TEST(ExpressionBuilderFormTest, OkWithAnInvalidExpressionStillClosesAndStores) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  Dialog dialog = MakeDialog();
  MemoryTable table = PlacesTable();
  Open(dialog, &table, {}, u"[Nobody", [](FakeDialogView& view) { view.Click(Control::kCmdOK); });
  EXPECT_EQ(U8(dialog.form->AcceptedExpression()), "[Nobody");
  EXPECT_TRUE(boxes.events().empty());
}

TEST(ExpressionBuilderFormTest, EveryHandlerReportsItsOwnFailureAndReturns) {
  using Handler = void (ExpressionBuilderForm::*)();
  struct Row {
    int line;
    Handler handler;
    std::string procedure;
  } rows[] = {
      {__LINE__, &ExpressionBuilderForm::Form_Load, "Form_Load"},
      {__LINE__, &ExpressionBuilderForm::Form_Activate, "Form_Activate"},
      {__LINE__, &ExpressionBuilderForm::CmbFormattingStatements_Click,
       "CmbFormattingStatements_Click"},
      {__LINE__, &ExpressionBuilderForm::cmbTags_Click, "cmbTags_Click"},
      {__LINE__, &ExpressionBuilderForm::cmbReservedWords_Click, "cmbReservedWords_Click"},
      {__LINE__, &ExpressionBuilderForm::CmdAddField_Click, "CmdAddField_Click"},
      {__LINE__, &ExpressionBuilderForm::CmdAddFormattingStatement_Click,
       "CmdAddFormattingStatement_Click"},
      {__LINE__, &ExpressionBuilderForm::cmdAddReservedWord_Click, "cmdAddReservedWord_Click"},
      {__LINE__, &ExpressionBuilderForm::cmdAddTag_Click, "cmdAddTag_Click"},
      {__LINE__, &ExpressionBuilderForm::CmdVerifyExpression_Click, "CmdVerifyExpression_Click"},
      {__LINE__, &ExpressionBuilderForm::CmdOK_Click, "CmdOK_Click"},
      {__LINE__, &ExpressionBuilderForm::CmdCancel_Click, "CmdCancel_Click"},
      {__LINE__, &ExpressionBuilderForm::CmdHelp_Click, "CmdHelp_Click"},
      {__LINE__, &ExpressionBuilderForm::TxtExpression_Change, "TxtExpression_Change"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    Dialog dialog = MakeDialog();
    MemoryTable table = PlacesTable();
    dialog.form->SetTable(&table);
    dialog.form->SetReservedWordDescriptions(std::make_shared<value::Collection>());
    dialog.form->SetExpressionText(u"x");
    dialog.view->set_failing(true);
    (dialog.form.get()->*row.handler)();
    dialog.view->set_failing(false);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(U8(boxes.Boxes()[0].title), "Unexpected Program Error");
    EXPECT_EQ(U8(ReportedProcedure(boxes.Boxes()[0])),
              row.procedure + " PeltExpressions:frmExpressionBuilder ");
    EXPECT_NE(boxes.Boxes()[0].text.find(u"The control is gone"), std::u16string::npos);
  }
}

TEST(ExpressionBuilderFormTest, HelpListsStatementsPicturesAndTheHostsReservedWords) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  Dialog dialog = MakeDialog();
  MemoryTable table = PlacesTable();
  Open(dialog, &table,
       MakeReservedWords({{u"$$PAGE_NUMBER", u"Page number"}, {u"$$NODESC", nullptr}}), u"",
       [](FakeDialogView& view) { view.Click(Control::kCmdHelp); });
  ASSERT_EQ(dialog.view->help_pages().size(), 1u);
  const HelpPage& page = dialog.view->help_pages()[0];
  ASSERT_EQ(page.statements.size(), language::kStatementCount);
  EXPECT_EQ(U8(page.statements[5].entry), ".Left(0)");
  EXPECT_EQ(U8(page.statements[5].example.expression), "[VALUE].Left(2)");
  EXPECT_EQ(U8(page.statements[5].example.input), "Hello World");
  ASSERT_EQ(page.reserved_words.size(), 2u);
  EXPECT_EQ(U8(page.reserved_words[0].word), "$$PAGE_NUMBER");
  EXPECT_EQ(U8(page.reserved_words[0].description), "Page number");
  EXPECT_EQ(U8(page.reserved_words[1].description), "");
  EXPECT_FALSE(page.number_pictures.empty());
  EXPECT_FALSE(page.date_pictures.empty());
  EXPECT_FALSE(page.text_pictures.empty());
  // Help shows nothing else and changes nothing.
  EXPECT_TRUE(boxes.events().empty());
}

TEST(ExpressionBuilderFormTest, HelpExamplesAreWhatLabelsReallyShow) {
  // The outputs come from the evaluator itself; they agree with what the
  // catalogue's descriptions promise.
  value::SetUserLocaleOverride("en_US");
  const HelpPage page = MakeHelpPage(nullptr, nullptr);
  value::ClearUserLocaleOverride();
  struct Row {
    int line;
    std::string expression;
    std::string output;
  } rows[] = {
      {__LINE__, "[VALUE].Abs", "3"},
      {__LINE__, "[VALUE].FormatCurrency", "$100.00"},
      {__LINE__, "[VALUE].Format(0.00)", "1234.50"},
      {__LINE__, "[VALUE].FormatNumber(4)", "2.5300"},
      {__LINE__, "[VALUE].LCase", "hello world"},
      {__LINE__, "[VALUE].Left(2)", "He"},
      {__LINE__, "[VALUE].LTrim", "Hello World"},
      {__LINE__, "[VALUE].Mid(7,3)", "Wor"},
      {__LINE__, "[VALUE].Replace(o,xx)", "Hellxx Wxxrld"},
      {__LINE__, "[VALUE].Right(2)", "ld"},
      {__LINE__, "[VALUE].Round(0)", "3"},
      {__LINE__, "[VALUE].RTrim", "Hello World"},
      // The pad follows the last character too, which the short description
      // in the list leaves out; the help shows the real label.
      {__LINE__, "[VALUE].Spaces(3)", "G   I   S   "},
      {__LINE__, "[VALUE].Trim", "Hello World"},
      {__LINE__, "[VALUE].UCase", "HELLO WORLD"},
  };
  ASSERT_EQ(page.statements.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].line);
    const HelpExample& example = page.statements[i].example;
    EXPECT_EQ(U8(example.expression), rows[i].expression);
    EXPECT_FALSE(example.refused) << U8(example.output);
    EXPECT_EQ(U8(example.output), rows[i].output);
  }
  for (const auto* pictures : {&page.number_pictures, &page.date_pictures, &page.text_pictures}) {
    for (const HelpExample& example : *pictures) {
      SCOPED_TRACE(U8(example.expression));
      EXPECT_FALSE(example.refused) << U8(example.output);
      EXPECT_FALSE(example.output.empty());
    }
  }
}

TEST(ExpressionBuilderFormTest, HelpPageHtmlEscapesEveryText) {
  HelpPage page;
  page.reserved_words.push_back({u"$$A<B>", u"x & \"y\""});
  const std::string html = U8(HelpPageHtml(page));
  EXPECT_NE(html.find("$$A&lt;B&gt;"), std::string::npos);
  EXPECT_NE(html.find("x &amp; &quot;y&quot;"), std::string::npos);
  EXPECT_EQ(html.find("<B>"), std::string::npos);
  // The tag catalogue is listed with its texts escaped.
  EXPECT_NE(html.find("&lt;LIN&gt;&lt;/LIN&gt;"), std::string::npos);
}

}  // namespace
}  // namespace pelt::builder
