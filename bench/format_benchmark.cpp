// Formatting a million values: pictures and FormatNumber against
// std::to_chars with hand-written grouping, date pictures against ICU's own
// DateFormat with the equivalent pattern. Each pair runs on the same values
// in the same run, so their ratio is what to read.
#include <benchmark/benchmark.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <charconv>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pelt/format/format.h"
#include "pelt/value/locale.h"

namespace {

using pelt::value::Variant;

constexpr std::size_t kCount = 1'000'000;

const std::vector<double>& Numbers() {
  static const std::vector<double> numbers = [] {
    std::mt19937_64 random(20260105);
    // Amounts with at most two decimals, as attribute tables hold them.
    std::uniform_int_distribution<std::int64_t> cents(-1'000'000'000, 1'000'000'000);
    std::vector<double> v(kCount);
    for (double& d : v) d = static_cast<double>(cents(random)) / 100.0;
    return v;
  }();
  return numbers;
}

const std::vector<Variant>& NumberVariants() {
  static const std::vector<Variant> variants = [] {
    std::vector<Variant> v;
    v.reserve(kCount);
    for (double d : Numbers()) v.push_back(Variant::FromDouble(d));
    return v;
  }();
  return variants;
}

// Days from 1900 to 2100 with a time of day.
const std::vector<Variant>& DateVariants() {
  static const std::vector<Variant> variants = [] {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> serial(1.0, 73050.0);
    std::vector<Variant> v;
    v.reserve(kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
      v.push_back(Variant::FromDate(pelt::value::Date{serial(random)}));
    }
    return v;
  }();
  return variants;
}

// "#,##0.00" in en_US the direct way: two decimals from to_chars, groups of
// three put in by hand.
void BaselineGrouped(double d, std::u16string& out) {
  char buffer[64];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::fixed, 2).ptr;
  const char* p = buffer;
  if (*p == '-') {
    out.push_back(u'-');
    ++p;
  }
  const char* point = p;
  while (point != end && *point != '.') ++point;
  auto digits = static_cast<int>(point - p);
  for (; p != point; ++p, --digits) {
    out.push_back(static_cast<char16_t>(*p));
    if (digits > 1 && digits % 3 == 1) out.push_back(u',');
  }
  for (; p != end; ++p) out.push_back(static_cast<char16_t>(*p));
}

void BM_NumberBaseline_ToChars(benchmark::State& state) {
  const std::vector<double>& numbers = Numbers();
  for (auto _ : state) {
    for (double d : numbers) {
      std::u16string text;
      BaselineGrouped(d, text);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCount));
}

void BM_NumberPicture(benchmark::State& state) {
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor("en_US");
  const pelt::format::Picture picture(u"#,##0.00");
  for (auto _ : state) {
    for (const Variant& v : NumberVariants()) {
      benchmark::DoNotOptimize(pelt::format::Format(v, picture, locale));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCount));
}

// The same through the picture text, as a label statement passes it: the
// compiled picture comes from the per-thread cache.
void BM_NumberPictureByText(benchmark::State& state) {
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor("en_US");
  for (auto _ : state) {
    for (const Variant& v : NumberVariants()) {
      benchmark::DoNotOptimize(pelt::format::Format(v, u"#,##0.00", locale));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCount));
}

void BM_FormatNumber2(benchmark::State& state) {
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor("en_US");
  for (auto _ : state) {
    for (const Variant& v : NumberVariants()) {
      benchmark::DoNotOptimize(pelt::format::FormatNumber(v, 2, locale));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCount));
}

void BM_DateBaseline_IcuDateFormat(benchmark::State& state) {
  UErrorCode status = U_ZERO_ERROR;
  icu::SimpleDateFormat format(icu::UnicodeString(u"EEEE d MMMM y"), icu::Locale("en_US"), status);
  format.adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString(u"GMT")));
  if (U_FAILURE(status)) {
    state.SkipWithError("ICU has no date format");
    return;
  }
  constexpr double kUnixEpochSerial = 25569.0;
  constexpr double kMillisecondsPerDay = 86'400'000.0;
  for (auto _ : state) {
    for (const Variant& v : DateVariants()) {
      icu::UnicodeString text;
      format.format((v.AsDate().serial - kUnixEpochSerial) * kMillisecondsPerDay, text);
      std::u16string out(text.getBuffer(), static_cast<std::size_t>(text.length()));
      benchmark::DoNotOptimize(out);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCount));
}

void BM_DatePicture(benchmark::State& state) {
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor("en_US");
  const pelt::format::Picture picture(u"dddd d mmmm yyyy");
  for (auto _ : state) {
    for (const Variant& v : DateVariants()) {
      benchmark::DoNotOptimize(pelt::format::Format(v, picture, locale));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCount));
}

BENCHMARK(BM_NumberBaseline_ToChars)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberPicture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NumberPictureByText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatNumber2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DateBaseline_IcuDateFormat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatePicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
