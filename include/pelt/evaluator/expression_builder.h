#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pelt/host/host_table.h"
#include "pelt/value/collection.h"

namespace pelt::evaluator {

// The expression builder dialog as the evaluator sees it. The toolkit's
// dialog library implements it and installs a factory, so the evaluator
// itself links no toolkit.
//
// A new dialog is created but not loaded. Setting the three members does not
// load it; the first operation that reaches a control (the expression text,
// the field list, showing) loads it, which runs its load step. Closing the
// dialog unloads it; reaching a control again loads it once more, unseen.
//
// Any operation may fail by raising an errors::Failure (a failing host call,
// a dialog that cannot be shown); the caller handles it by the call-stack
// convention.
class ExpressionBuilder {
 public:
  virtual ~ExpressionBuilder() = default;

  // m_pTable, m_pReservedWords, m_pReservedWordDescriptions: held by
  // reference while the dialog is loaded, released when it unloads.
  virtual void SetTable(host::HostTable* pTable) = 0;
  virtual void SetReservedWords(std::shared_ptr<const value::CollectionView> ReservedWords) = 0;
  virtual void SetReservedWordDescriptions(
      std::shared_ptr<const value::CollectionView> ReservedWordDescriptions) = 0;

  // The text of TxtExpression. Both load the dialog when it is not loaded.
  virtual void SetExpressionText(std::u16string_view text) = 0;
  virtual std::u16string ExpressionText() = 0;

  // Appends a field name to cmbLabelFields; selects its first entry (nothing
  // happens when the list is empty).
  virtual void AddLabelField(std::u16string_view name) = 0;
  virtual void SelectFirstLabelField() = 0;

  // Shows the dialog modally, without an owner window, and returns once it
  // has closed.
  virtual void ShowModal() = 0;

  // m_sExpression: the text OK accepted, "" until then.
  virtual std::u16string AcceptedExpression() const = 0;
};

using ExpressionBuilderFactory = std::function<std::unique_ptr<ExpressionBuilder>()>;

// Installs the factory EditExpression creates its dialogs with (an empty
// function removes it). Without one, EditExpression cannot open a dialog.
void SetExpressionBuilderFactory(ExpressionBuilderFactory factory);
ExpressionBuilderFactory GetExpressionBuilderFactory();

}  // namespace pelt::evaluator
