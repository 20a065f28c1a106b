// What the in-process server adds to MakeLabel: the early-bound slot of an
// object created by program id, called with a table, rows and reserved-word
// values served across the boundary, against the direct C++ call on the same
// rows. Both run in one process, on one CPU, their repetitions interleaved;
// after the benchmarks one line per expression gives the ratio of the mean
// CPU times per call, which is what to read.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/runtime/loader.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/server/evaluator_interface.h"
#include "pelt/value/text.h"
#include "registered_server.h"

namespace {

using pelt::host::FieldType;
using pelt::host::MemoryTable;
using pelt::runtime::CollectionObject;
using pelt::runtime::HostRowObject;
using pelt::runtime::HostTableObject;
using pelt::runtime::OwnedText;
using pelt::runtime::Ref;
using pelt::runtime::Result;
using pelt::server::_PeltExpressionEvaluator;
using pelt::value::Variant;

constexpr std::size_t kRows = 10'000;  // labels cycle through them

struct Case {
  const char* name;
  std::u16string expression;
};
const Case kCases[] = {
    {"formatted", u"[NAME].UCase - [POP].FormatNumber(0)"},
    {"reserved_word", u"Page $$PAGE_NUMBER: [NAME]"},
};

// The rows both ways label, and the same table, rows and values served once,
// as a host labelling many rows serves them.
struct Labelling {
  Labelling() {
    const char16_t* names[] = {u"Zürich", u"Łódź", u"São Paulo", u"Reykjavík", u"Kraków"};
    for (std::size_t i = 0; i < kRows; ++i) {
      table.AddRow({Variant::FromText(names[i % 5]),
                    Variant::FromLong(static_cast<std::int32_t>(i * 7919 % 20'000'000))});
    }
    (void)values->Add(Variant::FromText(u"12"), u"PAGE_NUMBER");
    served_table =
        pelt::runtime::ServeHostTable(pelt::runtime::Borrow<pelt::host::HostTable>(table));
    for (std::size_t i = 0; i < kRows; ++i) {
      served_rows.push_back(
          pelt::runtime::ServeHostRow(pelt::runtime::Borrow<pelt::host::HostRow>(table.Row(i))));
    }
    served_values = pelt::runtime::ServeCollection(values);
  }

  MemoryTable table{{{u"NAME", FieldType::kString}, {u"POP", FieldType::kInteger}}};
  std::shared_ptr<pelt::value::Collection> values = std::make_shared<pelt::value::Collection>();
  Ref<HostTableObject> served_table;
  std::vector<Ref<HostRowObject>> served_rows;
  Ref<CollectionObject> served_values;
  Ref<_PeltExpressionEvaluator> object;
};
Labelling* g_labelling = nullptr;

std::u16string DirectLabel(pelt::evaluator::PeltExpressionEvaluator& evaluator, std::size_t row,
                           const std::u16string& expression) {
  return evaluator.MakeLabel(&g_labelling->table, &g_labelling->table.Row(row), expression,
                             g_labelling->values);
}

// The caller's variables are passed by reference; the label becomes label's.
Result EarlyBoundLabel(std::size_t row, const OwnedText& expression, OwnedText& label) {
  HostTableObject* table = g_labelling->served_table.get();
  HostRowObject* served_row = g_labelling->served_rows[row].get();
  CollectionObject* values = g_labelling->served_values.get();
  pelt::runtime::Text text = expression.get();
  return g_labelling->object->MakeLabel(&table, &served_row, &text, &values, label.Put());
}

void Direct(benchmark::State& state, const std::u16string& expression) {
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  std::size_t row = 0;
  for (auto _ : state) {
    std::u16string label = DirectLabel(evaluator, row, expression);
    benchmark::DoNotOptimize(label);
    if (++row == kRows) row = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void EarlyBound(benchmark::State& state, const std::u16string& expression) {
  const OwnedText text(expression);
  OwnedText label;
  std::size_t row = 0;
  for (auto _ : state) {
    if (EarlyBoundLabel(row, text, label) != Result::kOk) {
      state.SkipWithError("MakeLabel failed");
      break;
    }
    benchmark::DoNotOptimize(label.get());
    if (++row == kRows) row = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

// Both ways must give the same text on every row, or the times compare
// different work.
bool SameLabels(const std::u16string& expression) {
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  const OwnedText text(expression);
  OwnedText label;
  for (std::size_t row = 0; row < kRows; ++row) {
    if (EarlyBoundLabel(row, text, label) != Result::kOk ||
        label.view() != DirectLabel(evaluator, row, expression)) {
      std::fprintf(stderr, "row %zu: early-bound '%s', direct '%s'\n", row,
                   pelt::value::ToUtf8(label.view()).c_str(),
                   pelt::value::ToUtf8(DirectLabel(evaluator, row, expression)).c_str());
      return false;
    }
  }
  return true;
}

// The console output, plus the mean CPU time per call of each benchmark over
// its repetitions, from which the ratios are printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Color : OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      Mean& mean = means_[run.run_name.function_name];
      mean.sum_ns += run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      ++mean.count;
    }
  }

  void PrintRatios() const {
    for (const Case& c : kCases) {
      const auto direct = means_.find(std::string("Direct/") + c.name);
      const auto early = means_.find(std::string("EarlyBound/") + c.name);
      if (direct == means_.end() || early == means_.end()) continue;  // filtered out
      const double direct_ns = direct->second.sum_ns / direct->second.count;
      const double early_ns = early->second.sum_ns / early->second.count;
      std::printf("%s: EarlyBound/Direct %.3f (CPU per call %.1f ns vs %.1f ns, %d repetitions)\n",
                  c.name, early_ns / direct_ns, early_ns, direct_ns, early->second.count);
    }
  }

 private:
  struct Mean {
    double sum_ns = 0;
    int count = 0;
  };
  std::map<std::string, Mean> means_;
};

// The whole run on the CPU it started on: the CPUs of a shared machine can
// differ in speed by a factor of two, and a move between repetitions would
// change the ratio more than the server does.
void StayOnThisCpu() {
  const int cpu = sched_getcpu();
  if (cpu < 0) return;
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(static_cast<std::size_t>(cpu), &set);
  (void)sched_setaffinity(0, sizeof set, &set);
}

// Repetitions of the four benchmarks interleaved, so that both ways see the
// same machine when the load changes; the same flags given on the command
// line come later and win.
char kInterleaved[] = "--benchmark_enable_random_interleaving=true";
char kRepetitions[] = "--benchmark_repetitions=10";

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args = {argv[0], kInterleaved, kRepetitions};
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  StayOnThisCpu();
  pelt::bench::TemporaryRegistry registry;
  pelt::bench::RegisteredServer server;
  if (!registry.ok() || !server.ok()) {
    std::fprintf(stderr, "cannot register %s in a temporary registry\n", PELT_SERVER_LIBRARY);
    return 1;
  }
  int status = 0;
  {
    Labelling labelling;
    g_labelling = &labelling;
    std::string message;
    if (pelt::runtime::CreateObject(pelt::server::kPeltExpressionEvaluatorProgramId,
                                    labelling.object, &message) != Result::kOk) {
      std::fprintf(stderr, "%s\n", message.c_str());
      return 1;
    }
    for (const Case& c : kCases) {
      if (!SameLabels(c.expression)) status = 1;
      benchmark::RegisterBenchmark((std::string("Direct/") + c.name).c_str(), Direct, c.expression);
      benchmark::RegisterBenchmark((std::string("EarlyBound/") + c.name).c_str(), EarlyBound,
                                   c.expression);
    }
    if (status == 0) {
      RatioReporter reporter;
      benchmark::RunSpecifiedBenchmarks(&reporter);
      reporter.PrintRatios();
    }
    g_labelling = nullptr;
  }
  benchmark::Shutdown();
  return status;
}
