// EditExpression: hands an expression to the user in the expression builder
// and returns the text the user accepted, once it has passed verification.

#include <cstdint>
#include <memory>
#include <string>

#include "errors/messages.h"
#include "evaluator_sites.h"
#include "pelt/errors/failure.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"

namespace pelt::evaluator {
namespace {

using errors::MessageId;
using errors::MessageText;
using errors::ThrowIfFailed;

// The number a caller sees when no dialog can be created: the one hosts have
// always got for an object that cannot be created.
constexpr std::int32_t kCannotCreateDialog = 429;

std::unique_ptr<ExpressionBuilder> CreateBuilder() {
  const ExpressionBuilderFactory factory = GetExpressionBuilderFactory();
  std::unique_ptr<ExpressionBuilder> builder = factory ? factory() : nullptr;
  if (!builder) {
    errors::Raise(errors::Status(kCannotCreateDialog, std::u16string(kEvaluatorModule),
                                 std::u16string(MessageText(MessageId::kCannotCreateBuilder))));
  }
  return builder;
}

// Lists every field of pTable except the one called Shape (whatever its type;
// fields of other names are listed whatever theirs), then selects the first.
void FillFieldList(host::HostTable& pTable, ExpressionBuilder& builder) {
  host::HostFields* fields = nullptr;
  ThrowIfFailed(pTable.FieldList(fields));
  std::int32_t count = 0;
  ThrowIfFailed(fields->FieldCount(count));
  for (std::int32_t i = 0; i < count; ++i) {
    // The field list is asked for again for every field, as hosts have always
    // seen it asked.
    host::HostFields* each = nullptr;
    ThrowIfFailed(pTable.FieldList(each));
    host::HostField* field = nullptr;
    ThrowIfFailed(each->FieldAt(i, field));
    std::u16string name;
    ThrowIfFailed(field->FieldName(name));
    if (!value::EqualsNoCase(name, u"Shape")) builder.AddLabelField(name);
  }
  builder.SelectFirstLabelField();
}

}  // namespace

std::u16string PeltExpressionEvaluator::EditExpression(host::HostTable* pTable,
                                                       std::u16string_view pExpression,
                                                       const CollectionRef& ReservedWords,
                                                       const CollectionRef& ReservedWordDescriptions) {
  preparation_ = Preparation::kNone;
  std::u16string result;
  errors::GuardProcedure(kEditExpressionSite, errors::OnFailure::kShowHere, [&] {
    // The previous dialog goes first, so two never hold the table at once.
    m_pBuilder.reset();
    m_pBuilder = CreateBuilder();
    ExpressionBuilder& builder = *m_pBuilder;
    builder.SetTable(pTable);
    builder.SetReservedWords(ReservedWords);
    builder.SetReservedWordDescriptions(ReservedWordDescriptions);
    // The first control reached: the dialog loads here, then takes the text.
    builder.SetExpressionText(pExpression);
    if (pTable != nullptr) FillFieldList(*pTable, builder);
    builder.ShowModal();

    // Closing unloaded the dialog; reaching the text box loads it again,
    // unseen, and its load step puts the accepted text (or "") back into it.
    std::u16string text = builder.ExpressionText();
    if (text.empty()) return;
    if (VerifyExpression(pTable, text) != kFalse) {
      result = std::move(text);
      return;
    }
    ui::ActiveMessageBoxes().Show(MessageText(MessageId::kUnableToChangeExpression),
                                  MessageText(MessageId::kUnableToChangeTitle),
                                  ui::MessageBoxStyle::kCritical);
  });
  return result;
}

}  // namespace pelt::evaluator
