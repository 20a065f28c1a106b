#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dialog_handlers.h"
#include "dialog_view.h"
#include "pelt/evaluator/expression_builder.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/host_table.h"
#include "pelt/value/collection.h"

namespace pelt::builder {

// The expression builder's logic, apart from any toolkit: its members, its
// load, activation and unload steps and one handler per control event (the
// list in dialog_handlers.def). It reaches its controls only through a
// DialogView, which runs the handlers when the user acts.
//
// Every handler but Form_Activate follows the call-stack convention, so none
// lets a failure out. Form_Activate meets the foreseeable gaps (an absent
// collection, a reserved word without a description) without failing; any
// other failure leaves it for the view to hand to the code that showed the
// dialog, which reports it under its own procedure.
class ExpressionBuilderForm final : public evaluator::ExpressionBuilder {
 public:
  using ViewFactory = std::function<std::unique_ptr<DialogView>(ExpressionBuilderForm&)>;

  // Creates the view at once; the dialog is not loaded until a control is
  // first reached.
  explicit ExpressionBuilderForm(const ViewFactory& make_view);
  ~ExpressionBuilderForm() override;
  ExpressionBuilderForm(const ExpressionBuilderForm&) = delete;
  ExpressionBuilderForm& operator=(const ExpressionBuilderForm&) = delete;

  // --- The caller's side (evaluator::ExpressionBuilder) ---
  void SetTable(host::HostTable* pTable) override;
  void SetReservedWords(std::shared_ptr<const value::CollectionView> ReservedWords) override;
  void SetReservedWordDescriptions(
      std::shared_ptr<const value::CollectionView> ReservedWordDescriptions) override;
  void SetExpressionText(std::u16string_view text) override;
  std::u16string ExpressionText() override;
  void AddLabelField(std::u16string_view name) override;
  void SelectFirstLabelField() override;
  void ShowModal() override;
  std::u16string AcceptedExpression() const override { return m_sExpression; }

  // Runs a handler the way every control event does: an unexpected failure
  // ends it with the "Unexpected Program Error" report (call-stack line from
  // dialog_handlers.def) and Run returns normally. Form_Activate's failures
  // leave Run instead.
  void Run(Handler handler);

  // The window was closed by the toolkit's own means (a close box): the
  // dialog unloads as after Cancel, without Cancel's handler.
  void WindowClosed();

  // --- For the view's owner and for tests ---
  bool loaded() const { return loaded_; }
  int load_count() const { return load_count_; }
  host::HostTable* table() const { return m_pTable; }
  const std::shared_ptr<const value::CollectionView>& reserved_words() const {
    return m_pReservedWords;
  }
  const std::shared_ptr<const value::CollectionView>& reserved_word_descriptions() const {
    return m_pReservedWordDescriptions;
  }
  evaluator::PeltExpressionEvaluator* evaluator() const { return m_pEvaluator.get(); }
  DialogView& view() { return *view_; }

 private:
  // The handlers' bodies, one per row of dialog_handlers.def; only Run calls
  // them.
#define PELT_HANDLER(name, source, event) void name();
#include "builder/dialog_handlers.def"
#undef PELT_HANDLER

  // The controls, loading the dialog first when it is not loaded.
  DialogView& Controls();
  // Runs Form_Unload and discards the controls; nothing when not loaded.
  void Unload();

  // Members, in their fixed order.
  host::HostTable* m_pTable = nullptr;
  std::u16string m_sExpression;
  std::shared_ptr<const value::CollectionView> m_pReservedWords;
  std::shared_ptr<const value::CollectionView> m_pReservedWordDescriptions;
  std::unique_ptr<evaluator::PeltExpressionEvaluator> m_pEvaluator;

  std::unique_ptr<DialogView> view_;
  bool loaded_ = false;
  int load_count_ = 0;
};

// The description shown for a formatting statement or a tag: that of the
// first catalogue entry equal to the list's text (compared case-insensitively),
// or "" when none is.
std::u16string_view StatementDescription(std::u16string_view list_text);
std::u16string_view TagDescription(std::u16string_view list_text);

}  // namespace pelt::builder
