#pragma once

#include <QDialog>
#include <array>
#include <exception>
#include <string>
#include <string_view>

#include "dialog_layout.h"
#include "dialog_view.h"
#include "expression_builder_form.h"

class QComboBox;
class QDialog;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;

namespace pelt::builder {

// The expression builder in Qt Widgets: the window, its fixed layout and the
// controls the form's logic works on. Every control event that
// dialog_handlers.def names is connected to the form's Run for its handler,
// which catches and reports every failure, so nothing reaches Qt's event
// loop.
class frmExpressionBuilder final : public QDialog, public DialogView {
  Q_OBJECT

 public:
  explicit frmExpressionBuilder(ExpressionBuilderForm& form);
  ~frmExpressionBuilder() override;

  // DialogView
  void DiscardControls() override;
  void AppendEntry(Control list, std::u16string_view entry) override;
  int EntryCount(Control list) override;
  std::u16string ListText(Control list) override;
  void SelectEntry(Control list, std::u16string_view text) override;
  void SelectIndex(Control list, int index) override;
  void SetLabelText(Control label, std::u16string_view text) override;
  std::u16string LabelText(Control label) override;
  void SetEnabled(Control control, bool enabled) override;
  std::u16string ExpressionText() override;
  void SetExpressionText(std::u16string_view text) override;
  std::u16string SelectedExpressionText() override;
  void ReplaceExpressionSelection(std::u16string_view text) override;
  void FocusExpression() override;
  void ShowModal() override;
  void Hide() override;
  void ShowHelp(const HelpPage& page) override;

  // The widget of a control, for tests and screenshots.
  QWidget* Widget(Control control) const { return widgets_[Index(control)]; }
  // True once the activation step has run for the current showing.
  bool activated() const { return activated_; }
  // The help window, or nullptr before Help was first pressed.
  QDialog* help_window() const { return help_window_; }

  // Closing by the toolkit's own means (the close box): unloads the form.
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  static constexpr std::size_t Index(Control control) { return static_cast<std::size_t>(control); }
  void CreateControls();
  void ApplyFonts();
  void SetTabOrder();
  void Connect();
  // Runs the form's activation step once per showing, once the window is up.
  void Activate();
  void FocusFirstControl();
  void FitLabel(QLabel& label);
  // The dialog's font with every property set, so that a control given it
  // inherits nothing from its frame.
  QFont StandardFont() const;

  QComboBox* List(Control list) const;
  QLabel* Label(Control label) const;
  QPushButton* Button(Control button) const;

  ExpressionBuilderForm& form_;
  std::array<QWidget*, kControlCount> widgets_{};
  QPlainTextEdit* expression_ = nullptr;
  QDialog* help_window_ = nullptr;
  QTextBrowser* help_browser_ = nullptr;
  bool activated_ =
      false;  // once per showing: a hide and show by the window manager is not a new one
  std::exception_ptr
      activation_failure_;  // rethrown by ShowModal to the code that showed the dialog
};

}  // namespace pelt::builder
