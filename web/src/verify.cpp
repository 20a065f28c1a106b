#include "verify.h"

#include <optional>
#include <vector>

#include "cells.h"
#include "locale_override.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/text.h"
#include "pelt/warnings/expression_warnings.h"
#include "pelt/host/run_words.h"
#include "table_fields.h"

namespace pelt::web {

using emscripten::val;

val Verify(const std::string& expression, const val& fields, const val& words,
           const std::string& locale_id) {
  std::optional<std::vector<std::u16string>> supplied;
  if (!words.isNull() && !words.isUndefined()) {
    host::RunWords run;
    const auto count = words["length"].as<std::size_t>();
    // Names only; a word given twice is refused when labels are made.
    for (std::size_t i = 0; i < count; ++i) {
      (void)run.Give(value::FromUtf8(words[i].as<std::string>()), value::Variant::Null());
    }
    run.AddClock(0);
    supplied = run.Names();
  }
  host::MemoryTable table(TableFieldsOf(fields));
  const std::u16string text = value::FromUtf8(expression);
  const LocaleOverride scope(locale_id);
  evaluator::PeltExpressionEvaluator evaluator;
  const bool valid = evaluator.VerifyExpression(&table, text) != evaluator::kFalse;
  warnings::WarningContext context;
  context.table = &table;
  context.supplied_words = std::move(supplied);
  val texts = val::array();
  for (const warnings::Warning& warning :
       warnings::ExpressionWarnings(text, evaluator.Tokens(), context)) {
    texts.call<void>("push", value::ToUtf8(warning.text));
  }
  val result = val::object();
  result.set("valid", valid);
  result.set("message", value::ToUtf8(evaluator.Message()));
  result.set("warnings", texts);
  return result;
}

val FormatValue(int kind, double number, const std::string& text, const std::string& picture,
                const std::string& locale_id) {
  value::Variant input = CellValue(static_cast<CellKind>(kind), number, value::FromUtf8(text));
  const value::LocaleData& locale =
      value::LocaleDataFor(locale_id.empty() ? value::LocaleIdFromEnvironment() : locale_id);
  evaluator::ApplyFormat(input, language::StatementId::kFormat, value::FromUtf8(picture),
                         language::Argument(), locale);
  std::u16string shown;
  if (value::AppendText(input, locale, shown) != value::ErrorCode::kNone) return val::null();
  return val(value::ToUtf8(shown));
}

}  // namespace pelt::web
