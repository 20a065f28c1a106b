#pragma once

#include <string>
#include <string_view>

#include "dialog_layout.h"
#include "help_page.h"

namespace pelt::builder {

// The controls of the expression builder as its logic sees them: the few
// operations a windowing toolkit offers on drop-down lists, labels, buttons,
// frames and a multi-line text box, and the window itself. The toolkit's
// dialog implements it; tests use one that keeps the controls in memory.
//
// Notifications: for every control event that dialog_handlers.def lists, the
// implementation runs the form's handler for it (ExpressionBuilderForm::Run):
// a list's selection changing and the expression text changing count whether
// the user or code made the change. It runs Form_Activate once per showing.
// Nothing else calls back. Operations do not throw, except that running a handler may
// not be interrupted by anything but a raised errors::Failure.
class DialogView {
 public:
  virtual ~DialogView() = default;

  // Puts every control back in its design-time state: no list entries, no
  // selections, design-time label texts, an empty expression box, every
  // control enabled. Runs no handler. Used when the dialog unloads.
  virtual void DiscardControls() = 0;

  // Drop-down lists. Appending never selects; a list's text is its selected
  // entry's text, "" when none is selected.
  virtual void AppendEntry(Control list, std::u16string_view entry) = 0;
  virtual int EntryCount(Control list) = 0;
  virtual std::u16string ListText(Control list) = 0;
  // Selects the first entry equal to text, compared case-insensitively; an
  // unknown text leaves the selection as it is.
  virtual void SelectEntry(Control list, std::u16string_view text) = 0;
  // Selects the entry at a 0-based index; an index outside the list is ignored.
  virtual void SelectIndex(Control list, int index) = 0;

  virtual void SetLabelText(Control label, std::u16string_view text) = 0;
  virtual std::u16string LabelText(Control label) = 0;

  // Disabling a frame disables the controls inside it as a group.
  virtual void SetEnabled(Control control, bool enabled) = 0;

  // The expression box. Line breaks are CR LF in every text that crosses.
  virtual std::u16string ExpressionText() = 0;
  virtual void SetExpressionText(std::u16string_view text) = 0;
  virtual std::u16string SelectedExpressionText() = 0;
  // The new text replaces the selection, or goes in at the caret when nothing
  // is selected; the caret then stands just after it, nothing selected.
  virtual void ReplaceExpressionSelection(std::u16string_view text) = 0;
  virtual void FocusExpression() = 0;

  // The window. ShowModal returns once the dialog has been hidden; the view
  // runs Form_Activate once per showing, when the shown dialog becomes active
  // (a hide and show by the window manager is the same showing), and tells
  // the form through WindowClosed when the window is closed by the toolkit's
  // own means (a close box). A failing activation hides the dialog and
  // ShowModal throws that failure to its caller.
  virtual void ShowModal() = 0;
  virtual void Hide() = 0;

  // Shows the help window; it stays open beside the dialog until closed.
  virtual void ShowHelp(const HelpPage& page) = 0;
};

}  // namespace pelt::builder
