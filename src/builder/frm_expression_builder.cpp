#include "frm_expression_builder.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "qt_text.h"

namespace pelt::builder {
frmExpressionBuilder::frmExpressionBuilder(ExpressionBuilderForm& form)
    : QDialog(nullptr), form_(form) {
  setObjectName(QStringLiteral("frmExpressionBuilder"));
  // A fixed dialog: no resizing, no context help button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);
  CreateControls();
  ApplyFonts();
  for (const ControlSpec& control_spec : DialogLayout()) {
    if (control_spec.kind == ControlKind::kLabel) FitLabel(*Label(control_spec.id));
  }
  SetTabOrder();
  Connect();
  setWindowTitle(ToQString(kDialogCaption));
}

frmExpressionBuilder::~frmExpressionBuilder() = default;

void frmExpressionBuilder::CreateControls() {
  const double dpi_x = logicalDpiX();
  const double dpi_y = logicalDpiY();
  setFixedSize(TwipsToPixels(kClientWidthTwips, dpi_x), TwipsToPixels(kClientHeightTwips, dpi_y));

  for (const ControlSpec& control_spec : DialogLayout()) {
    QWidget* parent = control_spec.container ? widgets_[Index(*control_spec.container)] : this;
    const QString text = ToQString(control_spec.text);
    QWidget* widget = nullptr;
    switch (control_spec.kind) {
      case ControlKind::kFrame: widget = new QGroupBox(text, parent); break;
      case ControlKind::kDropDownList: {
        auto* list = new QComboBox(parent);
        list->setEditable(false);  // pick only; entries keep their order
        widget = list;
        break;
      }
      case ControlKind::kButton: {
        auto* button = new QPushButton(text, parent);
        // No default button: Enter in the expression box starts a new line.
        button->setAutoDefault(false);
        button->setDefault(false);
        widget = button;
        break;
      }
      case ControlKind::kLabel: {
        auto* label = new QLabel(text, parent);
        // Descriptions show tags such as <FNT>: never read them as markup.
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        widget = label;
        break;
      }
      case ControlKind::kTextBox: {
        expression_ = new QPlainTextEdit(parent);
        expression_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        expression_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        expression_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        expression_->setTabChangesFocus(true);
        widget = expression_;
        break;
      }
    }
    widget->setObjectName(QString::fromLatin1(control_spec.name.data(),
                                              static_cast<qsizetype>(control_spec.name.size())));
    if (!control_spec.tool_tip.empty()) widget->setToolTip(ToQString(control_spec.tool_tip));
    const TwipRect& rect = control_spec.rect;
    widget->setGeometry(TwipsToPixels(rect.left, dpi_x), TwipsToPixels(rect.top, dpi_y),
                        TwipsToPixels(rect.width, dpi_x), TwipsToPixels(rect.height, dpi_y));
    widgets_[Index(control_spec.id)] = widget;
  }
}

void frmExpressionBuilder::ApplyFonts() {
  // The one bold caption asks for its classic face; where that face is
  // missing, the standard sans-serif face stands in, bold at the same size.
  // The dialog's standard font: the platform's general face at the size the
  // fixed layout was drawn for.
  QFont standard = font();
  standard.setPointSizeF(kStandardPoints);
  setFont(standard);
  QFont bold(QString::fromLatin1(kBoldCaptionFace.data(),
                                 static_cast<qsizetype>(kBoldCaptionFace.size())));
  bold.setStyleHint(QFont::SansSerif);
  bold.setPointSizeF(kBoldCaptionPoints);
  bold.setWeight(QFont::Bold);
  if (!QFontInfo(bold).exactMatch()) {
    bold = standard;
    bold.setPointSizeF(kBoldCaptionPoints);
    bold.setWeight(QFont::Bold);
  }
  QWidget* frame = widgets_[Index(kBoldCaptionFrame)];
  frame->setFont(bold);
  // A font set on a frame passes to what it holds; its controls keep the
  // dialog's standard font, each property set so that none is inherited.
  for (const ControlSpec& control_spec : DialogLayout()) {
    if (control_spec.container == kBoldCaptionFrame) {
      widgets_[Index(control_spec.id)]->setFont(StandardFont());
    }
  }
}

void frmExpressionBuilder::SetTabOrder() {
  std::vector<const ControlSpec*> focusable;
  for (const ControlSpec& control_spec : DialogLayout()) {
    if (control_spec.kind != ControlKind::kFrame && control_spec.kind != ControlKind::kLabel) {
      focusable.push_back(&control_spec);
    } else {
      widgets_[Index(control_spec.id)]->setFocusPolicy(Qt::NoFocus);
    }
  }
  std::sort(focusable.begin(), focusable.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tab_index < b->tab_index; });
  for (std::size_t i = 0; i + 1 < focusable.size(); ++i) {
    QWidget::setTabOrder(widgets_[Index(focusable[i]->id)], widgets_[Index(focusable[i + 1]->id)]);
  }
}

void frmExpressionBuilder::Connect() {
  for (const HandlerSpec& handler : DialogHandlers()) {
    const auto run = [this, id = handler.id] { form_.Run(id); };
    switch (handler.event) {
      case HandlerEvent::kClick:
        connect(Button(*handler.source), &QPushButton::clicked, this, run);
        break;
      case HandlerEvent::kSelect:
        connect(List(*handler.source), &QComboBox::currentIndexChanged, this, run);
        break;
      case HandlerEvent::kChange:
        connect(expression_, &QPlainTextEdit::textChanged, this, run);
        break;
      // The window's own events: the form runs load and unload itself, and
      // Activate runs the activation step.
      case HandlerEvent::kLoad:
      case HandlerEvent::kActivate:
      case HandlerEvent::kUnload: break;
    }
  }
}

QComboBox* frmExpressionBuilder::List(Control list) const {
  return static_cast<QComboBox*>(widgets_[Index(list)]);
}
QLabel* frmExpressionBuilder::Label(Control label) const {
  return static_cast<QLabel*>(widgets_[Index(label)]);
}
QPushButton* frmExpressionBuilder::Button(Control button) const {
  return static_cast<QPushButton*>(widgets_[Index(button)]);
}

// --- Window events ---

void frmExpressionBuilder::Activate() {
  if (activated_ || !isVisible()) return;
  activated_ = true;
  activateWindow();
  try {
    form_.Run(Handler::kForm_Activate);
  } catch (...) {
    // Activation has no handler of its own: its failure ends the showing
    // and goes to the code that showed the dialog.
    activation_failure_ = std::current_exception();
    hide();
    return;
  }
  FocusFirstControl();
}

void frmExpressionBuilder::reject() {
  hide();
  form_.WindowClosed();
}

void frmExpressionBuilder::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    // Esc is the Cancel button's key.
    QPushButton* cancel = Button(Control::kCmdCancel);
    if (cancel->isEnabled()) cancel->click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmExpressionBuilder::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Activation runs once the window is up, from the event loop that shows it.
  QMetaObject::invokeMethod(this, &frmExpressionBuilder::Activate, Qt::QueuedConnection);
}

void frmExpressionBuilder::FocusFirstControl() {
  const ControlSpec* first = nullptr;
  for (const ControlSpec& control_spec : DialogLayout()) {
    QWidget* widget = widgets_[Index(control_spec.id)];
    if (widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled()) continue;
    if (first == nullptr || control_spec.tab_index < first->tab_index) first = &control_spec;
  }
  if (first != nullptr) widgets_[Index(first->id)]->setFocus(Qt::TabFocusReason);
}

// --- DialogView ---

void frmExpressionBuilder::DiscardControls() {
  if (help_window_ != nullptr) help_window_->close();
  for (const ControlSpec& control_spec : DialogLayout()) {
    QWidget* widget = widgets_[Index(control_spec.id)];
    const QSignalBlocker quiet(widget);
    switch (control_spec.kind) {
      case ControlKind::kDropDownList: static_cast<QComboBox*>(widget)->clear(); break;
      case ControlKind::kLabel:
        static_cast<QLabel*>(widget)->setText(ToQString(control_spec.text));
        FitLabel(*static_cast<QLabel*>(widget));
        break;
      case ControlKind::kTextBox: expression_->clear(); break;
      case ControlKind::kFrame:
      case ControlKind::kButton: break;
    }
    widget->setEnabled(true);
  }
}

void frmExpressionBuilder::AppendEntry(Control list, std::u16string_view entry) {
  QComboBox* combo = List(list);
  const QSignalBlocker quiet(combo);
  const bool was_empty = combo->count() == 0;
  combo->addItem(ToQString(entry));
  // Qt selects the first entry added; these lists start with no selection.
  if (was_empty) combo->setCurrentIndex(-1);
}

int frmExpressionBuilder::EntryCount(Control list) { return List(list)->count(); }

std::u16string frmExpressionBuilder::ListText(Control list) {
  QComboBox* combo = List(list);
  return combo->currentIndex() < 0 ? std::u16string() : FromQString(combo->currentText());
}

void frmExpressionBuilder::SelectEntry(Control list, std::u16string_view text) {
  QComboBox* combo = List(list);
  const int index = combo->findText(ToQString(text), Qt::MatchFixedString);
  if (index >= 0) combo->setCurrentIndex(index);
}

void frmExpressionBuilder::SelectIndex(Control list, int index) {
  QComboBox* combo = List(list);
  if (index >= 0 && index < combo->count()) combo->setCurrentIndex(index);
}

void frmExpressionBuilder::SetLabelText(Control label, std::u16string_view text) {
  QLabel* target = Label(label);
  target->setText(ToQString(text));
  FitLabel(*target);
}

QFont frmExpressionBuilder::StandardFont() const {
  const QFont standard = font();
  QFont plain = standard;
  plain.setFamilies(standard.families());
  plain.setPointSizeF(standard.pointSizeF());
  plain.setWeight(standard.weight());
  return plain;
}

void frmExpressionBuilder::FitLabel(QLabel& label) {
  // The layout is fixed and faces differ in width: a text wider than its label
  // is drawn a little smaller rather than cut off.
  constexpr double kSmallestPoints = 6.0;
  constexpr double kStep = 0.25;
  QFont fitted = StandardFont();
  while (fitted.pointSizeF() - kStep >= kSmallestPoints &&
         QFontMetricsF(fitted).horizontalAdvance(label.text()) > label.width()) {
    fitted.setPointSizeF(fitted.pointSizeF() - kStep);
  }
  label.setFont(fitted);
}

std::u16string frmExpressionBuilder::LabelText(Control label) {
  return FromQString(Label(label)->text());
}

void frmExpressionBuilder::SetEnabled(Control control, bool enabled) {
  widgets_[Index(control)]->setEnabled(enabled);
}

std::u16string frmExpressionBuilder::ExpressionText() {
  return FromWidgetLines(expression_->toPlainText());
}

void frmExpressionBuilder::SetExpressionText(std::u16string_view text) {
  const QString lines = ToWidgetLines(text);
  if (lines == expression_->toPlainText()) return;  // no change, no notification
  expression_->setPlainText(lines);
}

std::u16string frmExpressionBuilder::SelectedExpressionText() {
  return FromWidgetLines(expression_->textCursor().selectedText());
}

void frmExpressionBuilder::ReplaceExpressionSelection(std::u16string_view text) {
  QTextCursor cursor = expression_->textCursor();
  cursor.insertText(ToWidgetLines(text));
  expression_->setTextCursor(cursor);
}

void frmExpressionBuilder::FocusExpression() { expression_->setFocus(Qt::OtherFocusReason); }

void frmExpressionBuilder::ShowModal() {
  activated_ = false;
  activation_failure_ = nullptr;
  exec();
  if (activation_failure_) std::rethrow_exception(std::exchange(activation_failure_, nullptr));
}

void frmExpressionBuilder::Hide() { hide(); }

void frmExpressionBuilder::ShowHelp(const HelpPage& page) {
  if (help_window_ == nullptr) {
    // A window of its own beside the dialog, not modal, so the user can read
    // it while composing; it closes with the dialog.
    help_window_ = new QDialog(this, Qt::Window);
    help_window_->setObjectName(QStringLiteral("HelpWindow"));
    help_window_->setWindowTitle(ToQString(kDialogCaption) +
                                 ToQString(errors::MessageText(errors::MessageId::kHelpTitleEnd)));
    help_browser_ = new QTextBrowser(help_window_);
    help_browser_->setObjectName(QStringLiteral("HelpText"));
    auto* layout = new QVBoxLayout(help_window_);
    layout->addWidget(help_browser_);
    help_window_->resize(TwipsToPixels(kHelpWidthTwips, logicalDpiX()),
                         TwipsToPixels(kHelpHeightTwips, logicalDpiY()));
  }
  help_browser_->setHtml(ToQString(HelpPageHtml(page)));
  help_window_->show();
  help_window_->raise();
}

}  // namespace pelt::builder
