#include "qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>

#include "qt_text.h"

namespace pelt::builder {
namespace {

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

QMessageBox::Icon IconOf(ui::MessageBoxStyle style) {
  switch (style) {
    case ui::MessageBoxStyle::kCritical: return QMessageBox::Critical;
    case ui::MessageBoxStyle::kExclamation: return QMessageBox::Warning;
    case ui::MessageBoxStyle::kInformation: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void QtMessageBoxes::Show(std::u16string_view text, std::u16string_view title,
                          ui::MessageBoxStyle style) {
  if (!HaveWidgets()) {
    console_.Show(text, title, style);
    return;
  }
  try {
    // Over the dialog that is open, if any, so it comes up in front of it.
    QMessageBox box(IconOf(style), ToQString(title), ToWidgetLines(text), QMessageBox::Ok,
                    QApplication::activeModalWidget());
    box.setObjectName(QStringLiteral("MessageBox"));
    // Verification texts quote expressions, tags included: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
  } catch (...) {
    // A box that cannot be built (no memory) still must not throw.
    console_.Show(text, title, style);
  }
}

void QtMessageBoxes::Beep() {
  if (HaveWidgets()) {
    QApplication::beep();
  } else {
    console_.Beep();
  }
}

}  // namespace pelt::builder
