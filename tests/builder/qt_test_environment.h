#pragma once

#include <functional>
#include <string>

#include <QString>

class QMessageBox;

namespace pelt::builder {
class frmExpressionBuilder;
}

namespace pelt::builder::testing {

// Runs step once the expression builder is up as the modal dialog and its
// activation has run (polling the event loop for at most a few seconds; a
// dialog that never comes fails the test). Arm it before the call that opens
// the dialog.
void WhenBuilderOpens(std::function<void(frmExpressionBuilder&)> step);

// What a Qt message box showed.
struct SeenBox {
  bool seen = false;
  QString title;
  QString text;
  int icon = 0;  // QMessageBox::Icon
};

// Waits for the next Qt message box, records it and presses its OK button.
// Arm it before the action that opens the box.
void AnswerNextBox(SeenBox& seen);

}  // namespace pelt::builder::testing
