// Time per character of verifying and of scanning label expressions of
// 1 KB, 64 KB and 1 MB. Both must stay linear in the expression's length.

#include <benchmark/benchmark.h>

#include <string>

#include "language/expression_scanner.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"

namespace {

using pelt::host::FieldType;

// One piece of a realistic expression: text, fields with statement chains,
// reserved words, tags and a literal "$$".
constexpr std::u16string_view kPiece =
    u"Page $$PAGE_NUMBER of $$PAGE_COUNT: [NAME].UCase.Left(12) "
    u"<BOL>[POP].Round(0).FormatNumber(0)</BOL> ($$DATE) [CITY].Replace(a,b).Trim, "
    u"[AREA].Format(#,##0.00).Mid(1,6) costs $$ and $$DOTS; ";

std::u16string MakeExpression(std::size_t characters) {
  std::u16string expression;
  expression.reserve(characters + kPiece.size());
  while (expression.size() < characters) expression += kPiece;
  return expression;
}

pelt::host::MemoryTable MakeTable() {
  return pelt::host::MemoryTable({{u"NAME", FieldType::kString},
                                  {u"POP", FieldType::kInteger},
                                  {u"CITY", FieldType::kString},
                                  {u"AREA", FieldType::kDouble}});
}

void ReportPerCharacter(benchmark::State& state, std::size_t characters) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(characters));
  state.counters["chars"] = static_cast<double>(characters);
  state.counters["time_per_char"] = benchmark::Counter(
      static_cast<double>(characters),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Two expressions of the same size take turns, so that every call scans:
// an unchanged expression would reuse the last scan.
void BM_VerifyExpression(benchmark::State& state) {
  const std::u16string expression = MakeExpression(static_cast<std::size_t>(state.range(0)));
  const std::u16string other = u"x" + expression.substr(1);
  pelt::host::MemoryTable table = MakeTable();
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  bool flip = false;
  for (auto _ : state) {
    flip = !flip;
    const auto valid = evaluator.VerifyExpression(&table, flip ? expression : other);
    if (valid != pelt::evaluator::kTrue) state.SkipWithError("expression did not verify");
    benchmark::DoNotOptimize(valid);
  }
  ReportPerCharacter(state, expression.size());
}

// The same expression again and again, as a host labelling row after row
// calls it: the scan is reused, the fields are still bound every time.
void BM_VerifyUnchangedExpression(benchmark::State& state) {
  const std::u16string expression = MakeExpression(static_cast<std::size_t>(state.range(0)));
  pelt::host::MemoryTable table = MakeTable();
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  for (auto _ : state) {
    const auto valid = evaluator.VerifyExpression(&table, expression);
    if (valid != pelt::evaluator::kTrue) state.SkipWithError("expression did not verify");
    benchmark::DoNotOptimize(valid);
  }
  ReportPerCharacter(state, expression.size());
}

void BM_ScanExpression(benchmark::State& state) {
  const std::u16string expression = MakeExpression(static_cast<std::size_t>(state.range(0)));
  pelt::language::ScanOutcome outcome;
  for (auto _ : state) {
    const bool valid = pelt::language::ScanExpression(expression, outcome.Target());
    if (!valid) state.SkipWithError("expression did not scan");
    benchmark::DoNotOptimize(valid);
  }
  ReportPerCharacter(state, expression.size());
}

BENCHMARK(BM_VerifyExpression)
    ->Arg(1 << 10)
    ->Arg(1 << 16)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VerifyUnchangedExpression)
    ->Arg(1 << 10)
    ->Arg(1 << 16)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanExpression)
    ->Arg(1 << 10)
    ->Arg(1 << 16)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
