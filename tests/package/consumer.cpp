// Labels one row of an in-memory table through the installed headers and
// libraries; prints the label, or the evaluator's message and fails.

#include <iostream>
#include <memory>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/collection.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/value/variant.h"

int main() {
  using pelt::value::Variant;
  pelt::value::SetUserLocaleOverride("en_US");
  pelt::host::MemoryTable table(
      {{u"NAME", pelt::host::FieldType::kString}, {u"POP", pelt::host::FieldType::kInteger}});
  pelt::host::MemoryRow& row =
      table.AddRow({Variant::FromText(u"Zürich"), Variant::FromLong(421878)});
  auto words = std::make_shared<pelt::value::Collection>();
  (void)words->Add(Variant::FromText(u"7"), u"PAGE");

  pelt::evaluator::PeltExpressionEvaluator evaluator;
  const std::u16string label =
      evaluator.MakeLabel(&table, &row, u"[NAME].UCase - [POP].FormatNumber(0) (p. $$PAGE)", words);
  if (!evaluator.LastCallSucceeded()) {
    std::cerr << pelt::value::ToUtf8(evaluator.Message()) << '\n';
    return 1;
  }
  std::cout << pelt::value::ToUtf8(label) << '\n';
  return 0;
}
