// The dialog's two tables (layout, handlers) are well formed and the Qt
// window follows them: widgets, fonts, focus order, keys, line breaks, the
// help window, and the platform checks.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "builder/dialog_handlers.h"
#include "builder/help_page.h"
#include "builder/qt_text.h"
#include "pelt/builder/builder.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/language/statements.h"
#include "pelt/value/locale.h"
#include "qt_test_environment.h"
#include "support/dump.h"

namespace pelt::builder {
namespace {

using pelt::testing::U8;
using testing::Builder;
using testing::MakeReservedWords;

bool TakesFocus(const ControlSpec& control) {
  return control.kind != ControlKind::kFrame && control.kind != ControlKind::kLabel;
}

TEST(DialogTablesTest, LayoutIsWellFormed) {
  std::set<int> tab_indices;
  for (const ControlSpec& control : DialogLayout()) {
    SCOPED_TRACE(control.name);
    EXPECT_TRUE(tab_indices.insert(control.tab_index).second) << "tab index used twice";
    // Only buttons carry tool tips; lists and the text box have no text.
    if (!control.tool_tip.empty()) {
      EXPECT_EQ(control.kind, ControlKind::kButton);
    }
    const bool has_text =
        control.kind != ControlKind::kDropDownList && control.kind != ControlKind::kTextBox;
    EXPECT_EQ(!control.text.empty(), has_text);
    // A control sits inside an earlier frame, or inside the client area.
    TwipRect outer{0, 0, kClientWidthTwips, kClientHeightTwips};
    if (control.container) {
      const ControlSpec& frame = SpecOf(*control.container);
      EXPECT_EQ(frame.kind, ControlKind::kFrame);
      EXPECT_LT(frame.id, control.id);
      outer = {0, 0, frame.rect.width, frame.rect.height};
    }
    EXPECT_GE(control.rect.left, outer.left);
    EXPECT_GE(control.rect.top, outer.top);
    EXPECT_LE(control.rect.left + control.rect.width, outer.left + outer.width);
    EXPECT_LE(control.rect.top + control.rect.height, outer.top + outer.height);
  }
  EXPECT_EQ(tab_indices.size(), static_cast<std::size_t>(kControlCount));
  EXPECT_EQ(*tab_indices.rbegin(), kControlCount - 1);
}

TEST(DialogTablesTest, EveryButtonAndTheTextHaveOneHandlerNamedAfterThem) {
  const std::map<ControlKind, HandlerEvent> event_of_kind = {
      {ControlKind::kButton, HandlerEvent::kClick},
      {ControlKind::kDropDownList, HandlerEvent::kSelect},
      {ControlKind::kTextBox, HandlerEvent::kChange}};
  std::set<std::u16string_view> procedures;
  std::multiset<Control> sources;
  for (const HandlerSpec& handler : DialogHandlers()) {
    SCOPED_TRACE(U8(handler.procedure));
    EXPECT_TRUE(procedures.insert(handler.procedure).second);
    // "<control>_<event> ", or "Form_<event> " for the window's own.
    const std::string_view source = handler.source ? SpecOf(*handler.source).name : "Form";
    EXPECT_EQ(U8(handler.procedure).find(std::string(source) + "_"), 0u);
    EXPECT_EQ(handler.procedure.find(u' '), handler.procedure.size() - 1);
    if (handler.source) {
      EXPECT_EQ(event_of_kind.at(SpecOf(*handler.source).kind), handler.event);
      sources.insert(*handler.source);
    }
  }
  for (const ControlSpec& control : DialogLayout()) {
    if (control.kind != ControlKind::kButton && control.kind != ControlKind::kTextBox) continue;
    EXPECT_EQ(sources.count(control.id), 1u) << control.name;
  }
}

TEST(DialogWindowTest, WidgetsFollowTheLayoutTable) {
  // Twips to pixels, rounded to the nearest: {twips, dots per inch, pixels}.
  for (const auto& [twips, dpi, pixels] : {std::tuple{8040, 96.0, 536},
                                           {7, 96.0, 0},
                                           {8, 96.0, 1},
                                           {6900, 144.0, 690},
                                           {345, 192.0, 46}}) {
    EXPECT_EQ(TwipsToPixels(twips, dpi), pixels) << twips;
  }
  Builder builder(nullptr, {}, u"", {});
  frmExpressionBuilder& dialog = *builder.dialog;
  ASSERT_EQ(dialog.logicalDpiX(), 96);
  EXPECT_EQ(dialog.size(), QSize(536, 460));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(dialog.windowTitle(), ToQString(kDialogCaption));
  for (const ControlSpec& control : DialogLayout()) {
    SCOPED_TRACE(control.name);
    QWidget* widget = builder.Widget(control.id);
    EXPECT_EQ(widget->objectName().toStdString(), control.name);
    EXPECT_EQ(widget->parentWidget(),
              control.container ? builder.Widget(*control.container) : &dialog);
    EXPECT_EQ(widget->geometry(),
              QRect(TwipsToPixels(control.rect.left, 96), TwipsToPixels(control.rect.top, 96),
                    TwipsToPixels(control.rect.width, 96), TwipsToPixels(control.rect.height, 96)));
    EXPECT_EQ(widget->toolTip(), ToQString(control.tool_tip));
    EXPECT_EQ(widget->font().bold(), control.id == kBoldCaptionFrame);
    QString text;
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) text = frame->title();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      text = button->text();
      EXPECT_FALSE(button->isDefault() || button->autoDefault());  // Enter is for new lines
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      text = label->text();
      EXPECT_EQ(label->textFormat(), Qt::PlainText);  // descriptions show tags as written
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      EXPECT_FALSE(list->isEditable());
    }
    // Loading has already replaced two descriptions.
    if (control.id != Control::kLblFormatDescription && control.id != Control::kLblTagDescription) {
      EXPECT_EQ(text, ToQString(control.text));
    }
  }
  EXPECT_DOUBLE_EQ(builder.Widget(kBoldCaptionFrame)->font().pointSizeF(), kBoldCaptionPoints);
}

TEST(DialogWindowTest, TabVisitsTheControlsInTheirOrder) {
  std::vector<const ControlSpec*> order;
  for (const ControlSpec& control : DialogLayout()) {
    if (TakesFocus(control)) order.push_back(&control);
  }
  std::sort(order.begin(), order.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tab_index < b->tab_index; });
  Builder builder(nullptr, MakeReservedWords({{u"$$A", u"a"}}), u"x", {u"Name"});
  builder.Show();
  for (std::size_t i = 0; i <= order.size(); ++i) {
    EXPECT_EQ(builder.Focus(), order[i % order.size()]->name) << i;
    QTest::keyClick(builder.dialog->focusWidget(), Qt::Key_Tab);
  }
  builder.dialog->hide();
}

TEST(DialogWindowTest, LineBreaksCrossAsCrLf) {
  Builder builder(nullptr, {}, u"", {});
  for (const std::u16string_view written : {u"a\nb", u"a\rb", u"a\r\nb"}) {
    builder.dialog->SetExpressionText(written);
    EXPECT_EQ(builder.Text(), "a\r\nb");
  }
  builder.Select(1, 2);
  EXPECT_EQ(U8(builder.dialog->SelectedExpressionText()), "\r\nb");
}

TEST(DialogWindowTest, HelpOpensAWindowBesideTheDialog) {
  const auto words = MakeReservedWords({{u"$$PAGE_NUMBER", u"<Page> & \"number\""}});
  Builder builder(nullptr, words, u"", {});
  builder.Show();
  builder.Click(Control::kCmdHelp);
  QDialog* help = builder.dialog->help_window();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible() && !help->isModal());
  EXPECT_EQ(help->windowTitle(), ToQString(kDialogCaption) + " Help");
  const QString text = help->findChild<QTextBrowser*>()->toPlainText();
  // Texts are escaped, not read as markup.
  for (const char* expected : {".Replace(Search,Replace)", "[VALUE].Left(2)", "Hello World",
                               "$$PAGE_NUMBER", "<Page> & \"number\"", "<LIN></LIN>"}) {
    EXPECT_NE(text.indexOf(expected), -1) << expected;
  }
  // Every example is made by the evaluator, and none is refused.
  value::SetUserLocaleOverride("en_US");
  const HelpPage page = MakeHelpPage(nullptr, nullptr);
  value::ClearUserLocaleOverride();
  for (const auto* examples : {&page.number_pictures, &page.date_pictures, &page.text_pictures}) {
    for (const HelpExample& example : *examples) {
      EXPECT_FALSE(example.refused || example.output.empty()) << U8(example.expression);
    }
  }
  // Each statement's example shows the label the evaluator really makes, in
  // catalogue order (Spaces pads after the last character too).
  const std::pair<const char*, const char*> shown[] = {{"[VALUE].Abs", "3"},
                                                       {"[VALUE].FormatCurrency", "$100.00"},
                                                       {"[VALUE].Format(0.00)", "1234.50"},
                                                       {"[VALUE].FormatNumber(4)", "2.5300"},
                                                       {"[VALUE].LCase", "hello world"},
                                                       {"[VALUE].Left(2)", "He"},
                                                       {"[VALUE].LTrim", "Hello World"},
                                                       {"[VALUE].Mid(7,3)", "Wor"},
                                                       {"[VALUE].Replace(o,xx)", "Hellxx Wxxrld"},
                                                       {"[VALUE].Right(2)", "ld"},
                                                       {"[VALUE].Round(0)", "3"},
                                                       {"[VALUE].RTrim", "Hello World"},
                                                       {"[VALUE].Spaces(3)", "G   I   S   "},
                                                       {"[VALUE].Trim", "Hello World"},
                                                       {"[VALUE].UCase", "HELLO WORLD"}};
  ASSERT_EQ(page.statements.size(), language::Statements().size());
  ASSERT_EQ(page.statements.size(), std::size(shown));
  for (std::size_t i = 0; i < std::size(shown); ++i) {
    const HelpExample& example = page.statements[i].example;
    EXPECT_FALSE(example.refused) << U8(example.output);
    EXPECT_EQ(U8(example.expression), shown[i].first);
    EXPECT_EQ(U8(example.output), shown[i].second) << shown[i].first;
  }
  EXPECT_TRUE(builder.boxes.events().empty());
}

TEST(DialogWindowTest, TheScreenshotShowsALoadedDialog) {
  host::MemoryTable table = testing::PlacesTable();
  Builder builder(&table, MakeReservedWords({{u"$$PAGE_NUMBER", u"Page number"}}),
                  u"Page $$PAGE_NUMBER: [Name].UCase", {u"Name", u"Population"});
  builder.Show();
  const QPixmap picture = builder.dialog->grab();
  EXPECT_EQ(picture.size(), QSize(536, 460));
  // Written to the build tree; PELT_UPDATE_SCREENSHOT=DIR writes it there too.
  EXPECT_TRUE(picture.save(QDir::current().filePath("expression-builder.png")));
  const QByteArray update = qgetenv("PELT_UPDATE_SCREENSHOT");
  if (!update.isEmpty()) {
    const QDir directory(QString::fromLocal8Bit(update));
    EXPECT_TRUE(picture.save(directory.filePath("expression-builder.png")));
  }
  builder.dialog->hide();
}

TEST(DialogWindowTest, OnlyTheInterfaceThreadOpensDialogs) {
  std::string why_not;
  EXPECT_TRUE(DisplayAvailable(&why_not)) << why_not;
  std::string result = "not run";
  ui::RecordingMessageBoxes boxes;
  std::thread worker([&] {
    ui::ScopedMessageBoxes scope(boxes);
    evaluator::PeltExpressionEvaluator evaluator;
    result = U8(evaluator.EditExpression(nullptr, u"[Name]", nullptr, nullptr));
  });
  worker.join();
  EXPECT_EQ(result, "");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(testing::ReportedProcedure(boxes.Boxes()[0]),
            "EditExpression PeltExpressions:PeltExpressionEvaluator ");
  EXPECT_NE(U8(boxes.Boxes()[0].text)
                .find("\t429\r\nDescription\r\n\tCan't show the expression builder: not on the "
                      "thread that runs the user interface\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace pelt::builder
