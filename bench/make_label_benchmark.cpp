// MakeLabel row after row, against a hand-written baseline that builds the
// same text straight from the same row values with the same value functions.
// Each pair runs in one process on the same rows, so the ratio is what to
// read. A last benchmark labels ten million rows and reports the peak
// resident size after the first 100 000 and at the end.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/format/format.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/conversion.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"

namespace {

using pelt::host::FieldType;
using pelt::host::MemoryTable;
using pelt::value::Variant;

constexpr std::size_t kRows = 100'000;  // labels cycle through them

enum Field : std::int32_t { kName, kCity, kPop, kArea, kFounded };

MemoryTable& Table() {
  static MemoryTable* table = [] {
    auto* t = new MemoryTable({{u"NAME", FieldType::kString},
                               {u"CITY", FieldType::kString},
                               {u"POP", FieldType::kInteger},
                               {u"AREA", FieldType::kDouble},
                               {u"FOUNDED", FieldType::kDate}});
    std::mt19937 random(42);
    const char16_t* names[] = {u"  Zürich ", u"Łódź", u"São Paulo  ", u"Reykjavík",
                               u" Kraków Old Town district"};
    std::uniform_int_distribution<std::int32_t> pop(0, 20'000'000);
    std::uniform_int_distribution<std::int32_t> cents(1, 10'000'000);
    std::uniform_int_distribution<std::int32_t> day(1, 70'000);
    for (std::size_t i = 0; i < kRows; ++i) {
      t->AddRow({Variant::FromText(names[i % 5]), Variant::FromText(u"Bern"),
                 Variant::FromLong(pop(random)), Variant::FromDouble(cents(random) / 100.0),
                 Variant::FromDate({static_cast<double>(day(random))})});
    }
    return t;
  }();
  return *table;
}

Variant Value(pelt::host::HostRow& row, std::int32_t index) {
  Variant v;
  (void)row.ValueAt(index, v);
  return v;
}

const std::u16string kPlain = u"[NAME], [CITY] ([POP])";
const std::u16string kChain = u"[NAME].Trim.UCase.Left(12)";
const std::u16string kFormatted =
    u"[POP].FormatNumber(0) people, [AREA].Format(#,##0.00) km², since "
    u"[FOUNDED].Format(dddd d mmmm yyyy)";

void MakeLabel(benchmark::State& state, const std::u16string& expression) {
  pelt::value::SetUserLocaleOverride("en_US");
  MemoryTable& table = Table();
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  std::size_t i = 0;
  for (auto _ : state) {
    std::u16string label = evaluator.MakeLabel(&table, &table.Row(i), expression, nullptr);
    benchmark::DoNotOptimize(label);
    if (++i == kRows) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

// The three baselines build exactly the text MakeLabel builds.
void BaselinePlain(benchmark::State& state) {
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor("en_US");
  MemoryTable& table = Table();
  std::size_t i = 0;
  for (auto _ : state) {
    pelt::host::HostRow& row = table.Row(i);
    std::u16string label = Value(row, kName).AsText();
    label += u", ";
    label += Value(row, kCity).AsText();
    label += u" (";
    (void)pelt::value::AppendText(Value(row, kPop), locale, label);
    label += u")";
    benchmark::DoNotOptimize(label);
    if (++i == kRows) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BaselineChain(benchmark::State& state) {
  MemoryTable& table = Table();
  std::size_t i = 0;
  for (auto _ : state) {
    const std::u16string name = Value(table.Row(i), kName).AsText();
    const std::size_t first = name.find_first_not_of(u' ');
    const std::size_t last = name.find_last_not_of(u' ');
    std::u16string label = pelt::value::ToUpper(
        first == std::u16string::npos ? u"" : name.substr(first, last - first + 1), "en_US");
    if (label.size() > 12) label.resize(12);
    benchmark::DoNotOptimize(label);
    if (++i == kRows) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BaselineFormatted(benchmark::State& state) {
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor("en_US");
  const pelt::format::Picture area_picture(u"#,##0.00");
  const pelt::format::Picture date_picture(u"dddd d mmmm yyyy");
  MemoryTable& table = Table();
  std::size_t i = 0;
  for (auto _ : state) {
    pelt::host::HostRow& row = table.Row(i);
    std::u16string label = pelt::format::FormatNumber(Value(row, kPop), 0, locale).value;
    label += u" people, ";
    label += pelt::format::Format(Value(row, kArea), area_picture, locale).value.AsText();
    label += u" km², since ";
    label += pelt::format::Format(Value(row, kFounded), date_picture, locale).value.AsText();
    benchmark::DoNotOptimize(label);
    if (++i == kRows) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Ten million labels: memory must not grow with the number of rows labelled.
void MemoryStaysFlat(benchmark::State& state) {
  pelt::value::SetUserLocaleOverride("en_US");
  MemoryTable& table = Table();
  pelt::evaluator::PeltExpressionEvaluator evaluator;
  constexpr std::size_t kLabels = 10'000'000;
  long after_100k = 0;
  for (auto _ : state) {
    for (std::size_t n = 0; n < kLabels; ++n) {
      std::u16string label =
          evaluator.MakeLabel(&table, &table.Row(n % kRows), kFormatted, nullptr);
      benchmark::DoNotOptimize(label);
      if (n + 1 == 100'000) after_100k = PeakResidentKiB();
    }
  }
  state.counters["peak_KiB_after_100k"] = static_cast<double>(after_100k);
  state.counters["peak_KiB_after_10M"] = static_cast<double>(PeakResidentKiB());
}

}  // namespace

BENCHMARK_CAPTURE(MakeLabel, plain, kPlain);
BENCHMARK(BaselinePlain);
BENCHMARK_CAPTURE(MakeLabel, chain, kChain);
BENCHMARK(BaselineChain);
BENCHMARK_CAPTURE(MakeLabel, formatted, kFormatted);
BENCHMARK(BaselineFormatted);
BENCHMARK(MemoryStaysFlat)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
