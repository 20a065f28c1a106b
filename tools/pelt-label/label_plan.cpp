#include "label_plan.h"

#include <string_view>

#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/value/text.h"
#include "warning_report.h"

namespace pelt::tools {
namespace {

// Adds the identifiers of an SQL condition, bare or in double quotes, to
// names. Words that are no field (keywords, functions) are harmless there.
void AddConditionWords(std::string_view condition, std::vector<std::u16string>& names) {
  auto is_word = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
  };
  std::size_t i = 0;
  while (i < condition.size()) {
    if (condition[i] == '"') {
      const std::size_t close = condition.find('"', i + 1);
      if (close == std::string_view::npos) return;
      names.push_back(value::FromUtf8(condition.substr(i + 1, close - i - 1)));
      i = close + 1;
    } else if (condition[i] == '\'') {
      const std::size_t close = condition.find('\'', i + 1);  // a string literal: no names
      if (close == std::string_view::npos) return;
      i = close + 1;
    } else if (is_word(condition[i])) {
      const std::size_t start = i;
      while (i < condition.size() && is_word(condition[i])) ++i;
      names.push_back(value::FromUtf8(condition.substr(start, i - start)));
    } else {
      ++i;
    }
  }
}

}  // namespace

std::optional<ExitCode> VerifyLabelExpression(const LabelRequest& request, const LabelInput& input,
                                              Streams& io, VerifiedExpression& verified) {
  evaluator::PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(evaluator::ToBoolean(request.show_messages));
  const bool valid =
      evaluator.VerifyExpression(input.table.get(), request.expression) != evaluator::kFalse;
  if (!valid) ReportProblem(io, value::ToUtf8(evaluator.Message()));
  ReportWarnings(io, CommandWarnings(io, request.expression, evaluator, input.table.get(),
                                     input.supplied_words));
  if (!valid) return ExitCode::kFailure;
  if (io.warnings) {
    ReportWarnings(io, warnings::UnusedWordWarnings(evaluator.Tokens(), input.given_words));
  }
  for (const language::Token& token : evaluator.Tokens()) {
    if (token.kind != language::TokenKind::kField) continue;
    verified.fields.push_back(token.text);
    for (const language::FormatEntry& entry : token.formats) {
      if (evaluator::UsesLocaleCurrency(entry.function, entry.first)) verified.uses_currency = true;
    }
  }
  return std::nullopt;
}

FieldPlan PlanFieldReads(const LabelRequest& request, const VerifiedExpression& verified) {
  FieldPlan plan;
  if (!request.to_path.empty()) return plan;
  plan.every_field = false;
  plan.names = verified.fields;
  // The filter is evaluated by GDAL on the fields it reads, so every word of
  // the condition that names a field is read too.
  if (request.where) AddConditionWords(*request.where, plan.names);
  if (plan.names.empty()) plan.names.push_back(u"");  // no field at all: skip them all
  return plan;
}

void ApplyFieldPlan(const FieldPlan& plan, gdal::LayerTable& table) {
  // Reading every field is what the table does anyway; a refused list only
  // costs speed, so its status is not a failure.
  if (!plan.every_field) static_cast<void>(table.ReadOnlyFields(plan.names));
}

}  // namespace pelt::tools
