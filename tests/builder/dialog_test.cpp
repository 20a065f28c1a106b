// The dialog's two tables (layout, handlers) are well formed and the Qt
// window follows them: widgets, fonts, focus order and the screenshot; and
// the help window.

#include <QDir>
#include <QGroupBox>
#include <QTextBrowser>
#include <map>
#include <set>
#include <string>

#include "builder/dialog_handlers.h"
#include "builder/help_page.h"
#include "pelt/value/locale.h"
#include "qt_test_environment.h"

namespace pelt::builder::testing {
namespace {

// The handler table's rows are named "<control>_<event> ", or
// "Form_<event> " for the window's own, and a control's handler answers the
// event its kind has. (The buttons and the text each run their handler in
// the behaviour tests.)
TEST(DialogTablesTest, HandlersAreNamedAfterTheirControlAndAnswerItsEvent) {
  const std::map<ControlKind, HandlerEvent> event_of_kind = {
      {ControlKind::kButton, HandlerEvent::kClick},
      {ControlKind::kDropDownList, HandlerEvent::kSelect},
      {ControlKind::kTextBox, HandlerEvent::kChange}};
  for (const HandlerSpec& handler : DialogHandlers()) {
    const std::string_view source = handler.source ? SpecOf(*handler.source).name : "Form";
    EXPECT_TRUE(U8(handler.procedure).starts_with(std::string(source) + "_")) << source;
    if (handler.source) {
      EXPECT_EQ(event_of_kind.at(SpecOf(*handler.source).kind), handler.event);
    }
  }
}

TEST(DialogWindowTest, TheLayoutTableIsWellFormedAndTheWindowFollowsIt) {
  // Twips to pixels, rounded to the nearest.
  EXPECT_EQ(std::tuple(TwipsToPixels(7, 96), TwipsToPixels(8, 96), TwipsToPixels(345, 192)),
            std::tuple(0, 1, 46));
  Builder builder(nullptr, {}, u"", {});
  frmExpressionBuilder& dialog = *builder.dialog;
  ASSERT_EQ(dialog.logicalDpiX(), 96);
  EXPECT_EQ(dialog.size(), QSize(536, 460));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(dialog.windowTitle(), ToQString(kDialogCaption));
  const auto pixels = [](int twips) { return TwipsToPixels(twips, 96); };
  std::set<int> tab_indices;
  for (const ControlSpec& control : DialogLayout()) {
    SCOPED_TRACE(control.name);
    tab_indices.insert(control.tab_index);
    // Only buttons carry tool tips; lists and the text box have no text.
    EXPECT_TRUE(control.tool_tip.empty() || control.kind == ControlKind::kButton);
    EXPECT_EQ(control.text.empty(),
              control.kind == ControlKind::kDropDownList || control.kind == ControlKind::kTextBox);
    // A control sits inside an earlier frame, or inside the client area.
    TwipRect outer{0, 0, kClientWidthTwips, kClientHeightTwips};
    if (control.container) {
      EXPECT_EQ(SpecOf(*control.container).kind, ControlKind::kFrame);
      EXPECT_LT(*control.container, control.id);
      outer = SpecOf(*control.container).rect;
    }
    const TwipRect& rect = control.rect;
    EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.left + rect.width <= outer.width &&
                rect.top + rect.height <= outer.height);
    QWidget* widget = builder.Widget(control.id);
    EXPECT_EQ(widget->objectName().toStdString(), control.name);
    EXPECT_EQ(widget->parentWidget(),
              control.container ? builder.Widget(*control.container) : &dialog);
    EXPECT_EQ(widget->geometry(),
              QRect(pixels(rect.left), pixels(rect.top), pixels(rect.width), pixels(rect.height)));
    EXPECT_EQ(widget->toolTip(), ToQString(control.tool_tip));
    EXPECT_EQ(widget->font().bold(), control.id == kBoldCaptionFrame);
    // No default button (Enter is for new lines), pick-only lists, and
    // descriptions that show tags as written.
    for (const char* off : {"default", "autoDefault", "editable"}) {
      EXPECT_FALSE(widget->property(off).toBool()) << off;
    }
    EXPECT_EQ(widget->property("textFormat").toInt(), Qt::PlainText);
    // Loading has already replaced two descriptions.
    if (control.id != kLblFormatDescription && control.id != kLblTagDescription) {
      const char* text = qobject_cast<QGroupBox*>(widget) != nullptr ? "title" : "text";
      EXPECT_EQ(widget->property(text).toString(), ToQString(control.text));
    }
  }
  // Every control has its own place in the focus sequence.
  EXPECT_EQ(tab_indices.size(), static_cast<std::size_t>(kControlCount));
  EXPECT_EQ(*tab_indices.rbegin(), kControlCount - 1);
  EXPECT_DOUBLE_EQ(builder.Widget(kBoldCaptionFrame)->font().pointSizeF(), kBoldCaptionPoints);
}

TEST(DialogWindowTest, TheScreenshotShowsALoadedDialogThatTabsInTheTablesOrder) {
  host::MemoryTable table = PlacesTable();
  Builder builder(&table, MakeReservedWords({{u"$$PAGE_NUMBER", u"Page number"}}),
                  u"Page $$PAGE_NUMBER: [Name].UCase", {u"Name", u"Population"});
  builder.Show();
  const QPixmap picture = builder.dialog->grab();
  EXPECT_EQ(picture.size(), QSize(536, 460));
  // Written to the build tree, or to PELT_UPDATE_SCREENSHOT=DIR.
  const QDir directory(QString::fromLocal8Bit(qgetenv("PELT_UPDATE_SCREENSHOT")));
  EXPECT_TRUE(picture.save(directory.filePath("expression-builder.png")));
  std::map<int, std::string> by_tab;  // the controls that take the focus
  for (const ControlSpec& control : DialogLayout()) {
    if (control.kind != ControlKind::kFrame && control.kind != ControlKind::kLabel) {
      by_tab[control.tab_index] = control.name;
    }
  }
  std::string expected, visited;
  for (const auto& [tab, name] : by_tab) {
    expected += name + " ";
    visited += builder.Focus() + " ";
    QTest::keyClick(builder.dialog->focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(builder.Focus(), by_tab.begin()->second);  // round to the first again
  builder.dialog->hide();
}

TEST(DialogWindowTest, HelpOpensAWindowBesideTheDialog) {
  Builder builder(nullptr, MakeReservedWords({{u"$$PAGE_NUMBER", u"<Page> & \"number\""}}), u"",
                  {});
  builder.Show();
  builder.Click(kCmdHelp);
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
  EXPECT_TRUE(builder.boxes.events().empty());
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
  std::string shown;
  for (const HelpStatement& statement : page.statements) {
    shown += U8(statement.example.expression) + "=" + U8(statement.example.output) + "|";
  }
  EXPECT_EQ(shown,
            "[VALUE].Abs=3|[VALUE].FormatCurrency=$100.00|[VALUE].Format(0.00)=1234.50|"
            "[VALUE].FormatNumber(4)=2.5300|[VALUE].LCase=hello world|[VALUE].Left(2)=He|"
            "[VALUE].LTrim=Hello World|[VALUE].Mid(7,3)=Wor|[VALUE].Replace(o,xx)=Hellxx Wxxrld|"
            "[VALUE].Right(2)=ld|[VALUE].Round(0)=3|[VALUE].RTrim=Hello World|"
            "[VALUE].Spaces(3)=G   I   S   |[VALUE].Trim=Hello World|[VALUE].UCase=HELLO WORLD|");
}

}  // namespace
}  // namespace pelt::builder::testing
