#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/dialog_view.h"
#include "builder/expression_builder_form.h"

namespace pelt::builder::testing {

// The builder's controls kept in memory, behaving as the toolkit's do where
// the form relies on it: appending never selects, a changed selection runs
// the list's handler, every change of the expression text runs
// TxtExpression_Change, a disabled frame disables what it holds, and a
// disabled control cannot be clicked.
class FakeDialogView final : public DialogView {
 public:
  // What the user does while the dialog is shown; runs after activation.
  using UserActions = std::function<void(FakeDialogView&)>;

  explicit FakeDialogView(ExpressionBuilderForm& form) : form_(form) { DiscardControls(); }

  // --- DialogView ---
  void DiscardControls() override;
  void AppendEntry(Control list, std::u16string_view entry) override;
  int EntryCount(Control list) override;
  std::u16string ListText(Control list) override;
  void SelectEntry(Control list, std::u16string_view text) override;
  void SelectIndex(Control list, int index) override;
  void SetLabelText(Control label, std::u16string_view text) override;
  std::u16string LabelText(Control label) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsEnabled(Control control) override;
  std::u16string ExpressionText() override;
  void SetExpressionText(std::u16string_view text) override;
  std::u16string SelectedExpressionText() override;
  void ReplaceExpressionSelection(std::u16string_view text) override;
  void FocusExpression() override;
  void ShowModal() override;
  void Hide() override;
  void ShowHelp(const HelpPage& page) override;

  // --- What a user does ---
  // Presses a button (nothing when it is disabled).
  void Click(Control button);
  // Picks a list entry by its text, as with the mouse.
  void Pick(Control list, std::u16string_view text);
  // Puts the caret at a 0-based offset and selects length characters.
  void Select(std::size_t start, std::size_t length = 0);
  void Type(std::u16string_view text) { ReplaceExpressionSelection(text); }
  void PressEscape() { Click(Control::kCmdCancel); }
  void CloseWindow();

  // --- What a test looks at ---
  std::vector<std::u16string> Entries(Control list) const;
  std::size_t caret() const { return selection_start_ + selection_length_; }
  std::size_t selection_length() const { return selection_length_; }
  std::optional<Control> focus() const { return focus_; }
  bool shown() const { return shown_; }
  int activations() const { return activations_; }
  const std::vector<HelpPage>& help_pages() const { return help_pages_; }

  // The user's actions for the next showing.
  void set_user_actions(UserActions actions) { user_actions_ = std::move(actions); }
  // From now on every operation of the view fails, as a toolkit whose
  // controls are gone would.
  void set_failing(bool failing) { failing_ = failing; }

 private:
  struct List {
    std::vector<std::u16string> entries;
    int selected = -1;
  };
  static constexpr std::size_t Index(Control c) { return static_cast<std::size_t>(c); }
  void FailIfAsked() const;
  void Selected(Control list, int index);

  ExpressionBuilderForm& form_;
  std::array<List, kControlCount> lists_{};
  std::array<std::u16string, kControlCount> labels_{};
  std::array<bool, kControlCount> enabled_{};
  std::u16string text_;
  std::size_t selection_start_ = 0;
  std::size_t selection_length_ = 0;
  std::optional<Control> focus_;
  bool shown_ = false;
  int activations_ = 0;
  std::vector<HelpPage> help_pages_;
  UserActions user_actions_;
  bool failing_ = false;
};

}  // namespace pelt::builder::testing
