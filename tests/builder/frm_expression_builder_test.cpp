// The expression builder in Qt Widgets on the offscreen platform: layout,
// texts, fonts, focus order, keys, the real message boxes, and EditExpression
// through the Qt factory.

#include "builder/frm_expression_builder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "builder_test_support.h"
#include "pelt/builder/builder.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "qt_test_environment.h"
#include "support/dump.h"

namespace pelt::builder {
namespace {

using host::FieldType;
using host::MemoryTable;
using pelt::testing::U8;
using testing::AnswerNextBox;
using testing::MakeReservedWords;
using testing::SeenBox;
using testing::WhenBuilderOpens;

std::string Name(const QWidget* widget) {
  return widget == nullptr ? "(none)" : widget->objectName().toStdString();
}

MemoryTable PlacesTable() {
  return MemoryTable({{u"Shape", FieldType::kGeometry},
                      {u"Name", FieldType::kString},
                      {u"Population", FieldType::kInteger},
                      {u"Picture", FieldType::kBlob}});
}

// A dialog loaded the way EditExpression loads it, not shown.
struct LoadedDialog {
  MemoryTable table = PlacesTable();
  testing::ReservedWords words =
      MakeReservedWords({{u"$$PAGE_NUMBER", u"Page number"}, {u"$$DATE", u"Today's date"}});
  std::unique_ptr<ExpressionBuilderForm> form;
  frmExpressionBuilder* dialog = nullptr;

  explicit LoadedDialog(std::u16string_view expression = u"") {
    form = std::make_unique<ExpressionBuilderForm>([this](ExpressionBuilderForm& f) {
      auto view = std::make_unique<frmExpressionBuilder>(f);
      dialog = view.get();
      return view;
    });
    form->SetTable(&table);
    form->SetReservedWords(words.words);
    form->SetReservedWordDescriptions(words.descriptions);
    form->SetExpressionText(expression);
    form->AddLabelField(u"Name");
    form->AddLabelField(u"Population");
    form->AddLabelField(u"Picture");
    form->SelectFirstLabelField();
  }
  QWidget* Widget(Control control) const { return dialog->Widget(control); }
  QPushButton* Button(Control control) const {
    return qobject_cast<QPushButton*>(Widget(control));
  }
  QPlainTextEdit* Text() const { return qobject_cast<QPlainTextEdit*>(Widget(Control::kTxtExpression)); }
};

TEST(FrmExpressionBuilderTest, EveryControlSitsAtItsPixelRectangle) {
  struct Row {
    int line;
    Control control;
    std::string name;
    int x, y, width, height;  // pixels at 96 dpi, relative to the container
  } rows[] = {
      {__LINE__, Control::kFraReservedWords, "fraReservedWords", 8, 8, 521, 73},
      {__LINE__, Control::kCmbReservedWords, "cmbReservedWords", 16, 24, 201, 21},
      {__LINE__, Control::kCmdAddReservedWord, "cmdAddReservedWord", 224, 24, 81, 23},
      {__LINE__, Control::kLblReservedWordDescription, "lblReservedWordDescription", 16, 48, 497, 17},
      {__LINE__, Control::kFraLabelFields, "FraLabelFields", 8, 88, 521, 105},
      {__LINE__, Control::kCmbLabelFields, "cmbLabelFields", 16, 24, 201, 21},
      {__LINE__, Control::kCmdAddField, "CmdAddField", 224, 24, 81, 23},
      {__LINE__, Control::kCmbFormattingStatements, "CmbFormattingStatements", 16, 56, 201, 21},
      {__LINE__, Control::kCmdAddFormattingStatement, "CmdAddFormattingStatement", 224, 56, 81, 23},
      {__LINE__, Control::kLblFormatDescription, "lblFormatDescription", 16, 80, 497, 17},
      {__LINE__, Control::kFraTextFormatting, "fraTextFormatting", 8, 200, 521, 73},
      {__LINE__, Control::kCmbTags, "cmbTags", 16, 24, 201, 21},
      {__LINE__, Control::kCmdAddTag, "cmdAddTag", 224, 24, 81, 23},
      {__LINE__, Control::kLblTagDescription, "lblTagDescription", 16, 48, 497, 17},
      {__LINE__, Control::kFraExpression, "FraExpression", 8, 280, 521, 145},
      {__LINE__, Control::kLblExpression, "LblExpression", 16, 16, 489, 17},
      {__LINE__, Control::kTxtExpression, "TxtExpression", 16, 32, 489, 73},
      {__LINE__, Control::kCmdVerifyExpression, "CmdVerifyExpression", 16, 112, 81, 23},
      {__LINE__, Control::kCmdHelp, "CmdHelp", 8, 432, 81, 23},
      {__LINE__, Control::kCmdCancel, "CmdCancel", 360, 432, 81, 23},
      {__LINE__, Control::kCmdOK, "CmdOK", 448, 432, 81, 23},
  };
  LoadedDialog loaded;
  ASSERT_EQ(loaded.dialog->logicalDpiX(), 96);
  ASSERT_EQ(loaded.dialog->logicalDpiY(), 96);
  EXPECT_EQ(loaded.dialog->size(), QSize(536, 460));
  EXPECT_EQ(loaded.dialog->minimumSize(), loaded.dialog->maximumSize());
  ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kControlCount));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    QWidget* widget = loaded.Widget(row.control);
    EXPECT_EQ(Name(widget), row.name);
    EXPECT_EQ(widget->geometry(), QRect(row.x, row.y, row.width, row.height));
  }
}

TEST(FrmExpressionBuilderTest, CaptionTextsAndToolTipsAreExact) {
  struct Row {
    int line;
    Control control;
    QString text;
    QString tool_tip;
  } rows[] = {
      {__LINE__, Control::kFraReservedWords, "Reserved Words: (page numbers, dates, etc.)", ""},
      {__LINE__, Control::kCmdAddReservedWord, "Add", "Add Selected Field to Expression"},
      {__LINE__, Control::kFraLabelFields,
       "Database Fields and Formats: (fields from the selected table)", ""},
      {__LINE__, Control::kCmdAddField, "Add", "Add Selected Field to Expression"},
      {__LINE__, Control::kCmdAddFormattingStatement, "Add",
       "Add Formatting Statement to Expression"},
      {__LINE__, Control::kFraTextFormatting, "Text Formatting Tags:", ""},
      {__LINE__, Control::kCmdAddTag, "Add", "Add Selected Field to Expression"},
      {__LINE__, Control::kFraExpression, "Expression:", ""},
      {__LINE__, Control::kLblExpression,
       "Compose an expression by using reserved words, database fields, formatting statements "
       "and other text.",
       ""},
      {__LINE__, Control::kCmdVerifyExpression, "Verify", "Verify that Expression is Correct"},
      {__LINE__, Control::kCmdHelp, "Help", ""},
      {__LINE__, Control::kCmdCancel, "Cancel", "Close, Exit, Terminate"},
      {__LINE__, Control::kCmdOK, "OK", "Apply Expression to Layer's Legend"},
      // Before activation the reserved-word description keeps its design text.
      {__LINE__, Control::kLblReservedWordDescription, "Formatting Description", ""},
  };
  LoadedDialog loaded;
  EXPECT_EQ(loaded.dialog->windowTitle(), QString("Brindle Expression Builder"));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    QWidget* widget = loaded.Widget(row.control);
    QString text;
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) text = frame->title();
    if (auto* button = qobject_cast<QPushButton*>(widget)) text = button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    EXPECT_EQ(text.toStdString(), row.text.toStdString());
    EXPECT_EQ(widget->toolTip().toStdString(), row.tool_tip.toStdString());
  }
  // Descriptions with tags in them are shown as they are, not as markup.
  auto* tags = qobject_cast<QLabel*>(loaded.Widget(Control::kLblTagDescription));
  EXPECT_EQ(tags->textFormat(), Qt::PlainText);
  EXPECT_EQ(tags->text().toStdString(),
            "Font Name and Size. Example: <FNT name=\"Arial\" size=\"18\">My text</FNT>");
}

TEST(FrmExpressionBuilderTest, OnlyTheExpressionCaptionIsBold) {
  LoadedDialog loaded;
  for (const ControlSpec& control_spec : DialogLayout()) {
    SCOPED_TRACE(control_spec.name);
    const bool bold = loaded.Widget(control_spec.id)->font().bold();
    EXPECT_EQ(bold, control_spec.id == Control::kFraExpression);
  }
  EXPECT_DOUBLE_EQ(loaded.Widget(Control::kFraExpression)->font().pointSizeF(), 8.25);
}

TEST(FrmExpressionBuilderTest, ListsArePickOnlyAndButtonsNeverDefault) {
  LoadedDialog loaded;
  for (const ControlSpec& control_spec : DialogLayout()) {
    SCOPED_TRACE(control_spec.name);
    QWidget* widget = loaded.Widget(control_spec.id);
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      EXPECT_FALSE(list->isEditable());
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      EXPECT_FALSE(button->isDefault());
      EXPECT_FALSE(button->autoDefault());
    }
  }
}

TEST(FrmExpressionBuilderTest, TabVisitsTheControlsInTheirOrder) {
  LoadedDialog loaded(u"x");
  loaded.dialog->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
  std::vector<std::string> visited{Name(loaded.dialog->focusWidget())};
  for (int i = 0; i < 13; ++i) {
    QTest::keyClick(loaded.dialog->focusWidget(), Qt::Key_Tab);
    visited.push_back(Name(loaded.dialog->focusWidget()));
  }
  EXPECT_EQ(visited, (std::vector<std::string>{
                         "CmdHelp", "CmdCancel", "CmdOK", "CmdAddField", "TxtExpression",
                         "CmdVerifyExpression", "cmbLabelFields", "CmdAddFormattingStatement",
                         "CmbFormattingStatements", "cmdAddTag", "cmbTags", "cmdAddReservedWord",
                         "cmbReservedWords", "CmdHelp"}));
  loaded.dialog->hide();
}

TEST(FrmExpressionBuilderTest, EmptyListsDisableTheirWholeGroups) {
  ExpressionBuilderForm form([](ExpressionBuilderForm& f) {
    return std::make_unique<frmExpressionBuilder>(f);
  });
  auto& dialog = static_cast<frmExpressionBuilder&>(form.view());
  form.SetReservedWords(std::make_shared<value::Collection>());
  form.SetReservedWordDescriptions(std::make_shared<value::Collection>());
  form.SetExpressionText(u"x");
  form.SelectFirstLabelField();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.activated(); }));
  struct Row {
    int line;
    Control control;
    bool enabled;
  } rows[] = {
      {__LINE__, Control::kCmbReservedWords, false},
      {__LINE__, Control::kCmdAddReservedWord, false},
      {__LINE__, Control::kCmbLabelFields, false},
      {__LINE__, Control::kCmdAddField, false},
      {__LINE__, Control::kCmbFormattingStatements, false},
      {__LINE__, Control::kCmdAddFormattingStatement, false},
      {__LINE__, Control::kCmbTags, true},
      {__LINE__, Control::kTxtExpression, true},
      {__LINE__, Control::kCmdOK, true},
      {__LINE__, Control::kCmdCancel, true},
      {__LINE__, Control::kCmdHelp, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(dialog.Widget(row.control)->isEnabled(), row.enabled);
  }
  EXPECT_EQ(U8(dialog.LabelText(Control::kLblReservedWordDescription)),
            "No reserved words available.");
  EXPECT_EQ(U8(dialog.LabelText(Control::kLblFormatDescription)), "No database fields available.");
  dialog.hide();
}

TEST(FrmExpressionBuilderTest, LineBreaksCrossAsCrLf) {
  struct Row {
    int line;
    std::u16string_view written;
    std::string read;
  } rows[] = {
      {__LINE__, u"a\r\nb", "a\r\nb"},
      {__LINE__, u"a\nb", "a\r\nb"},
      {__LINE__, u"a\r\n\r\n", "a\r\n\r\n"},
      {__LINE__, u"  ", "  "},
  };
  LoadedDialog loaded;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    loaded.dialog->SetExpressionText(row.written);
    EXPECT_EQ(U8(loaded.dialog->ExpressionText()), row.read);
  }
  loaded.dialog->SetExpressionText(u"one\r\ntwo");
  QTextCursor cursor = loaded.Text()->textCursor();
  cursor.setPosition(1);
  cursor.setPosition(6, QTextCursor::KeepAnchor);
  loaded.Text()->setTextCursor(cursor);
  EXPECT_EQ(U8(loaded.dialog->SelectedExpressionText()), "ne\r\ntw");
}

TEST(FrmExpressionBuilderTest, AddButtonsInsertWhereTheCaretWasLeft) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  LoadedDialog loaded(u"abc");
  loaded.dialog->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
  QPlainTextEdit* text = loaded.Text();
  QTextCursor cursor = text->textCursor();
  cursor.setPosition(0);
  text->setTextCursor(cursor);
  // Clicking a button moves the focus to it; the caret stays where it was.
  QTest::mouseClick(loaded.Button(Control::kCmdAddField), Qt::LeftButton);
  EXPECT_EQ(text->toPlainText().toStdString(), "[Name]abc");
  EXPECT_EQ(text->textCursor().position(), 6);
  EXPECT_FALSE(text->textCursor().hasSelection());
  EXPECT_EQ(Name(loaded.dialog->focusWidget()), "TxtExpression");

  cursor = text->textCursor();
  cursor.setPosition(6);
  cursor.setPosition(9, QTextCursor::KeepAnchor);
  text->setTextCursor(cursor);
  qobject_cast<QComboBox*>(loaded.Widget(Control::kCmbTags))->setCurrentIndex(2);
  QTest::mouseClick(loaded.Button(Control::kCmdAddTag), Qt::LeftButton);
  EXPECT_EQ(text->toPlainText().toStdString(), "[Name]<BOL>abc</BOL>");
  EXPECT_EQ(Name(loaded.dialog->focusWidget()), "cmdAddTag");  // not moved
  EXPECT_TRUE(boxes.events().empty());
  loaded.dialog->hide();
}

TEST(FrmExpressionBuilderTest, EnterStartsANewLineAndVerifyAndOkFollowTheText) {
  LoadedDialog loaded;
  loaded.dialog->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
  EXPECT_FALSE(loaded.Button(Control::kCmdOK)->isEnabled());
  loaded.Text()->setFocus();
  QTest::keyClicks(loaded.Text(), "a");
  EXPECT_TRUE(loaded.Button(Control::kCmdOK)->isEnabled());
  EXPECT_TRUE(loaded.Button(Control::kCmdVerifyExpression)->isEnabled());
  QTest::keyClick(loaded.Text(), Qt::Key_Return);
  QTest::keyClicks(loaded.Text(), "b");
  EXPECT_TRUE(loaded.dialog->isVisible());
  EXPECT_EQ(U8(loaded.dialog->ExpressionText()), "a\r\nb");
  QTest::keyClick(loaded.Text(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(loaded.Text(), Qt::Key_Delete);
  EXPECT_FALSE(loaded.Button(Control::kCmdOK)->isEnabled());
  EXPECT_FALSE(loaded.Button(Control::kCmdVerifyExpression)->isEnabled());
  loaded.dialog->hide();
}

TEST(FrmExpressionBuilderTest, RefusedFieldsAndVerifyShowQtMessageBoxes) {
  struct Row {
    int line;
    std::u16string_view field;  // "" for the Verify button
    std::u16string_view expression;
    std::string title;
    QMessageBox::Icon icon;
    std::string text_start;
  } rows[] = {
      {__LINE__, u"Picture", u"x", "Invalid Field Type!", QMessageBox::Critical,
       "Can't use Geometry or Blob Fields"},
      {__LINE__, u"", u"[Name].UCase", "Valid Expression", QMessageBox::Information, ""},
      {__LINE__, u"", u"[Nobody]", "Invalid Expression!", QMessageBox::Critical, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    LoadedDialog loaded(row.expression);
    loaded.dialog->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
    SeenBox seen;
    AnswerNextBox(seen);
    if (row.field.empty()) {
      QTest::mouseClick(loaded.Button(Control::kCmdVerifyExpression), Qt::LeftButton);
    } else {
      loaded.dialog->SelectEntry(Control::kCmbLabelFields, row.field);
      QTest::mouseClick(loaded.Button(Control::kCmdAddField), Qt::LeftButton);
    }
    EXPECT_TRUE(seen.seen);
    EXPECT_EQ(seen.title.toStdString(), row.title);
    EXPECT_EQ(seen.icon, static_cast<int>(row.icon));
    EXPECT_EQ(seen.text.toStdString().substr(0, row.text_start.size()), row.text_start);
    EXPECT_EQ(U8(loaded.dialog->ExpressionText()), U8(row.expression));
    EXPECT_TRUE(loaded.dialog->isVisible());
    loaded.dialog->hide();
  }
}

TEST(FrmExpressionBuilderTest, AFailingTableCallInAButtonEndsInTheReportBox) {
  LoadedDialog loaded(u"x");
  loaded.dialog->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
  loaded.table.FailCall(host::Operation::kFieldAt, 1,
                        MemoryTable::InjectedFailure(host::Operation::kFieldAt));
  SeenBox seen;
  AnswerNextBox(seen);
  QTest::mouseClick(loaded.Button(Control::kCmdAddField), Qt::LeftButton);
  EXPECT_EQ(seen.title.toStdString(), "Unexpected Program Error");
  EXPECT_EQ(seen.icon, static_cast<int>(QMessageBox::Warning));
  EXPECT_NE(seen.text.indexOf("\tCmdAddField_Click PeltExpressions:frmExpressionBuilder \n"), -1);
  EXPECT_EQ(U8(loaded.dialog->ExpressionText()), "x");
  EXPECT_TRUE(loaded.dialog->isVisible());
  loaded.dialog->hide();
}

TEST(FrmExpressionBuilderTest, HelpOpensAWindowBesideTheDialog) {
  LoadedDialog loaded;
  loaded.dialog->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
  QTest::mouseClick(loaded.Button(Control::kCmdHelp), Qt::LeftButton);
  QDialog* help = loaded.dialog->help_window();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->isModal());
  const QString text = help->findChild<QTextBrowser*>()->toPlainText();
  EXPECT_NE(text.indexOf(".Replace(Search,Replace)"), -1);
  EXPECT_NE(text.indexOf("[VALUE].Format(yyyy-mm-dd)"), -1);
  EXPECT_NE(text.indexOf("$$PAGE_NUMBER"), -1);
  EXPECT_NE(text.indexOf("Today's date"), -1);
  // Closing the dialog closes its help.
  QTest::mouseClick(loaded.Button(Control::kCmdCancel), Qt::LeftButton);
  EXPECT_FALSE(help->isVisible());
}

TEST(FrmExpressionBuilderTest, EditExpressionRunsTheQtDialogModally) {
  enum class Close { kOk, kCancel, kEscape, kCloseBox };
  struct Row {
    int line;
    Close close;
    std::string result;
  } rows[] = {
      {__LINE__, Close::kOk, "[Name].UCase"},
      {__LINE__, Close::kCancel, ""},
      {__LINE__, Close::kEscape, ""},
      {__LINE__, Close::kCloseBox, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    MemoryTable table = PlacesTable();
    const auto words = MakeReservedWords({{u"$$PAGE_NUMBER", u"Page number"}});
    std::string reserved_word_description;
    WhenBuilderOpens([&](frmExpressionBuilder& dialog) {
      reserved_word_description = U8(dialog.LabelText(Control::kLblReservedWordDescription));
      auto* text = qobject_cast<QPlainTextEdit*>(dialog.Widget(Control::kTxtExpression));
      text->moveCursor(QTextCursor::End);
      dialog.SelectEntry(Control::kCmbFormattingStatements, u".UCase");
      QTest::mouseClick(dialog.Widget(Control::kCmdAddFormattingStatement), Qt::LeftButton);
      switch (row.close) {
        case Close::kOk: QTest::mouseClick(dialog.Widget(Control::kCmdOK), Qt::LeftButton); break;
        case Close::kCancel:
          QTest::mouseClick(dialog.Widget(Control::kCmdCancel), Qt::LeftButton);
          break;
        case Close::kEscape: QTest::keyClick(&dialog, Qt::Key_Escape); break;
        case Close::kCloseBox: dialog.close(); break;
      }
    });
    evaluator::PeltExpressionEvaluator evaluator;
    EXPECT_EQ(U8(evaluator.EditExpression(&table, u"[Name]", words.words, words.descriptions)),
              row.result);
    EXPECT_EQ(reserved_word_description, "Page number");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(boxes.events().empty());
  }
}

TEST(FrmExpressionBuilderTest, TheScreenshotShowsALoadedDialog) {
  LoadedDialog loaded(u"Page $$PAGE_NUMBER: [Name].UCase");
  loaded.dialog->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.dialog->activated(); }));
  const QPixmap picture = loaded.dialog->grab();
  EXPECT_EQ(picture.size(), QSize(536, 460));
  // Written to the build tree; PELT_UPDATE_SCREENSHOT=DIR writes it there too.
  EXPECT_TRUE(picture.save(QDir::current().filePath("expression-builder.png")));
  const QByteArray update = qgetenv("PELT_UPDATE_SCREENSHOT");
  if (!update.isEmpty()) {
    EXPECT_TRUE(picture.save(QDir(QString::fromLocal8Bit(update)).filePath("expression-builder.png")));
  }
  loaded.dialog->hide();
}

TEST(FrmExpressionBuilderTest, EditExpressionAwayFromTheInterfaceThreadReportsAndReturns) {
  std::string result = "not run";
  std::vector<std::string> reported;
  std::thread worker([&] {
    ui::RecordingMessageBoxes boxes;
    ui::ScopedMessageBoxes scope(boxes);
    MemoryTable table = PlacesTable();
    evaluator::PeltExpressionEvaluator evaluator;
    result = U8(evaluator.EditExpression(&table, u"[Name]", nullptr, nullptr));
    for (const auto& box : boxes.Boxes()) reported.push_back(U8(testing::ReportedProcedure(box)));
  });
  worker.join();
  EXPECT_EQ(result, "");
  EXPECT_EQ(reported,
            (std::vector<std::string>{"EditExpression PeltExpressions:PeltExpressionEvaluator "}));
}

TEST(FrmExpressionBuilderTest, ADisplayIsAvailableWhileTheApplicationRuns) {
  std::string why_not;
  EXPECT_TRUE(DisplayAvailable(&why_not)) << why_not;
}

}  // namespace
}  // namespace pelt::builder
