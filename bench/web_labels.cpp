// The native half of bench/web_labels.mjs: labels the same generated rows
// with the same expressions as the WebAssembly module does there, and
// prints the best time of each in milliseconds as JSON.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/collection.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"

namespace {

using pelt::value::Variant;

constexpr const char16_t* kExpressions[] = {u"[NAME].UCase - [POP].FormatNumber(0)",
                                            u"[AREA].Format(#,##0.00)"};

// The rows web_labels.mjs makes: the same formulas.
std::vector<pelt::host::MemoryRow> Rows(std::size_t count) {
  std::vector<pelt::host::MemoryRow> rows;
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = "Place " + std::to_string(i) + (i % 3 == 0 ? " Nord" : "");
    rows.emplace_back(std::vector<Variant>{
        Variant::FromText(pelt::value::FromUtf8(name)),
        Variant::FromLong(static_cast<std::int32_t>(i * 7919 % 10000000)),
        Variant::FromDouble(static_cast<double>(i) * 0.37 + 0.005)});
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 100000;
  pelt::value::SetUserLocaleOverride("en_US");
  pelt::host::MemoryTable table({{u"NAME", pelt::host::FieldType::kString},
                                 {u"POP", pelt::host::FieldType::kInteger},
                                 {u"AREA", pelt::host::FieldType::kDouble}});
  std::vector<pelt::host::MemoryRow> rows = Rows(count);
  const auto words = std::make_shared<pelt::value::Collection>();
  std::printf("{");
  const char* separator = "";
  for (const char16_t* expression : kExpressions) {
    pelt::evaluator::PeltExpressionEvaluator evaluator;
    double best = 1e300;
    std::size_t length = 0;
    for (int run = 0; run < 5; ++run) {
      const auto start = std::chrono::steady_clock::now();
      std::u16string all;
      (void)evaluator.VerifyExpression(&table, expression);
      for (pelt::host::MemoryRow& row : rows) {
        all += evaluator.MakeLabelView(&table, &row, expression, words);
        all += u'\n';
      }
      const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
      best = std::min(best, took.count());
      length = all.size();
    }
    std::printf("%s\"%s\": {\"ms\": %.1f, \"chars\": %zu}", separator,
                pelt::value::ToUtf8(expression).c_str(), best, length);
    separator = ", ";
  }
  std::printf("}\n");
  return 0;
}
