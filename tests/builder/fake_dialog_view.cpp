#include "fake_dialog_view.h"

#include <algorithm>

#include "pelt/errors/failure.h"
#include "pelt/value/text.h"

namespace pelt::builder::testing {

void FakeDialogView::FailIfAsked() const {
  if (failing_) errors::Raise(errors::Status(5, u"FakeDialogView", u"The control is gone"));
}

void FakeDialogView::DiscardControls() {
  for (const ControlSpec& control_spec : DialogLayout()) {
    lists_[Index(control_spec.id)] = List{};
    labels_[Index(control_spec.id)] = std::u16string(control_spec.text);
    enabled_[Index(control_spec.id)] = true;
  }
  text_.clear();
  selection_start_ = selection_length_ = 0;
}

void FakeDialogView::AppendEntry(Control list, std::u16string_view entry) {
  FailIfAsked();
  lists_[Index(list)].entries.emplace_back(entry);
}

int FakeDialogView::EntryCount(Control list) {
  FailIfAsked();
  return static_cast<int>(lists_[Index(list)].entries.size());
}

std::u16string FakeDialogView::ListText(Control list) {
  FailIfAsked();
  const List& l = lists_[Index(list)];
  return l.selected < 0 ? u"" : l.entries[static_cast<std::size_t>(l.selected)];
}

void FakeDialogView::Selected(Control list, int index) {
  List& l = lists_[Index(list)];
  if (l.selected == index) return;
  l.selected = index;
  switch (list) {
    case Control::kCmbFormattingStatements: form_.CmbFormattingStatements_Click(); break;
    case Control::kCmbTags: form_.cmbTags_Click(); break;
    case Control::kCmbReservedWords: form_.cmbReservedWords_Click(); break;
    default: break;
  }
}

void FakeDialogView::SelectEntry(Control list, std::u16string_view text) {
  FailIfAsked();
  const auto& entries = lists_[Index(list)].entries;
  const auto found = std::find_if(entries.begin(), entries.end(), [&](const std::u16string& e) {
    return value::EqualsNoCase(e, text);
  });
  if (found != entries.end()) Selected(list, static_cast<int>(found - entries.begin()));
}

void FakeDialogView::SelectIndex(Control list, int index) {
  FailIfAsked();
  if (index >= 0 && index < static_cast<int>(lists_[Index(list)].entries.size())) {
    Selected(list, index);
  }
}

void FakeDialogView::SetLabelText(Control label, std::u16string_view text) {
  FailIfAsked();
  labels_[Index(label)] = std::u16string(text);
}

std::u16string FakeDialogView::LabelText(Control label) { return labels_[Index(label)]; }

void FakeDialogView::SetEnabled(Control control, bool enabled) {
  FailIfAsked();
  enabled_[Index(control)] = enabled;
}

bool FakeDialogView::IsEnabled(Control control) {
  if (!enabled_[Index(control)]) return false;
  const std::optional<Control> container = SpecOf(control).container;
  return !container || IsEnabled(*container);
}

std::u16string FakeDialogView::ExpressionText() {
  FailIfAsked();
  return text_;
}

void FakeDialogView::SetExpressionText(std::u16string_view text) {
  FailIfAsked();
  if (text == text_) return;
  text_ = std::u16string(text);
  selection_start_ = selection_length_ = 0;
  form_.TxtExpression_Change();
}

std::u16string FakeDialogView::SelectedExpressionText() {
  FailIfAsked();
  return text_.substr(selection_start_, selection_length_);
}

void FakeDialogView::ReplaceExpressionSelection(std::u16string_view text) {
  FailIfAsked();
  const std::u16string before = text_;
  text_.replace(selection_start_, selection_length_, text);
  selection_start_ += text.size();
  selection_length_ = 0;
  if (text_ != before) form_.TxtExpression_Change();
}

void FakeDialogView::FocusExpression() {
  FailIfAsked();
  focus_ = Control::kTxtExpression;
}

void FakeDialogView::ShowModal() {
  FailIfAsked();
  shown_ = true;
  ++activations_;
  form_.Form_Activate();
  if (user_actions_) user_actions_(*this);
  // A dialog the user left open is closed with its close box.
  if (shown_) CloseWindow();
}

void FakeDialogView::Hide() {
  FailIfAsked();
  shown_ = false;
}

void FakeDialogView::ShowHelp(const HelpPage& page) {
  FailIfAsked();
  help_pages_.push_back(page);
}

void FakeDialogView::Click(Control button) {
  if (!IsEnabled(button)) return;
  focus_ = button;
  switch (button) {
    case Control::kCmdAddField: form_.CmdAddField_Click(); break;
    case Control::kCmdAddFormattingStatement: form_.CmdAddFormattingStatement_Click(); break;
    case Control::kCmdAddReservedWord: form_.cmdAddReservedWord_Click(); break;
    case Control::kCmdAddTag: form_.cmdAddTag_Click(); break;
    case Control::kCmdVerifyExpression: form_.CmdVerifyExpression_Click(); break;
    case Control::kCmdOK: form_.CmdOK_Click(); break;
    case Control::kCmdCancel: form_.CmdCancel_Click(); break;
    case Control::kCmdHelp: form_.CmdHelp_Click(); break;
    default: break;
  }
}

void FakeDialogView::Pick(Control list, std::u16string_view text) { SelectEntry(list, text); }

void FakeDialogView::Select(std::size_t start, std::size_t length) {
  selection_start_ = std::min(start, text_.size());
  selection_length_ = std::min(length, text_.size() - selection_start_);
}

void FakeDialogView::CloseWindow() {
  shown_ = false;
  form_.WindowClosed();
}

std::vector<std::u16string> FakeDialogView::Entries(Control list) const {
  return lists_[Index(list)].entries;
}

}  // namespace pelt::builder::testing
