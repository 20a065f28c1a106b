// Runs the golden files of tests/data/format: every row puts one value
// through one function of the value layer in one locale and compares the
// text a label (or a caller) would see.
//
// File syntax (one directive or row per line, # starts a comment line):
//   locale de_DE             the locale of the rows that follow
//   format «picture»         Format with that picture (may be «»)
//   formatnumber 2           FormatNumber with 2 decimals
//   formatcurrency           FormatCurrency
//   round 2                  Round to 2 decimals: the text form and the type name
//   text                     ToText: the value's text form
//   number                   ParseNumber of a text: the double, shortest form
//   integer, long            ToInteger, ToLong
//   numeric                  IsNumeric: «True» or «False»
//   literal                  ParseTypedLiteral of the row's value as written:
//                            the value's dump, or "refused"
//   label «[V].Left(2)»      the label of that expression for a row whose
//                            field V holds the value, or "error MESSAGE"
//   <value> «expected»       a row: a typed literal (str:«…» for text with
//                            blanks) and the expected text
//   <value> null             the result is null
//   <value> error Overflow   the function refuses the value with that error
//   {this year} in an expected text is the year of today's date
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/format/format.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"
#include "support/dump.h"

namespace pelt::format {
namespace {

using testing::U8;
using value::ClearUserLocaleOverride;
using value::Converted;
using value::ErrorCode;
using value::FromAscii;
using value::FromUtf8;
using value::IsNumeric;
using value::LocaleData;
using value::LocaleDataFor;
using value::ParseNumber;
using value::ParseTypedLiteral;
using value::SetUserLocaleOverride;
using value::ToInteger;
using value::ToLong;
using value::ToText;
using value::Variant;

struct GoldenRow {
  std::string file;
  int line = 0;
  std::string locale;
  std::string function = "format";
  std::string argument;  // picture (UTF-8) or decimals
  std::string value;     // typed literal
  std::string expected;
};

// Parameter names in gtest's output: the row's place in its file.
void PrintTo(const GoldenRow& row, std::ostream* os) { *os << row.file << ".txt:" << row.line; }

constexpr std::string_view kOpen = "\xC2\xAB";   // «
constexpr std::string_view kClose = "\xC2\xBB";  // »

std::string Quoted(std::u16string_view text) {
  return std::string(kOpen) + U8(text) + std::string(kClose);
}

// A picture argument is written «…»: the inside.
std::string Unquoted(std::string_view text) {
  const std::size_t close = text.rfind(kClose);
  if (text.substr(0, kOpen.size()) != kOpen || close == std::string_view::npos ||
      close < kOpen.size()) {
    return std::string(text);
  }
  return std::string(text.substr(kOpen.size(), close - kOpen.size()));
}

std::string Failure(ErrorCode error) { return "error " + U8(ErrorDescription(error)); }

template <class T, class Show>
std::string Shown(const Converted<T>& result, Show show) {
  return result.ok() ? show(result.value) : Failure(result.error);
}

std::string ShowVariant(const Variant& v) { return v.IsNull() ? "null" : Quoted(v.AsText()); }
std::string ShowNumber(double d) {
  char buffer[32];
  return Quoted(FromAscii(std::string_view(buffer, std::to_chars(buffer, buffer + 32, d).ptr)));
}
std::string ShowInteger(std::int32_t n) { return Quoted(FromAscii(std::to_string(n))); }

// One row's call: the value, the directive's argument and the locale.
struct Call {
  const Variant& value;
  const std::string& argument;
  const LocaleData& locale;
  int Decimals() const { return std::atoi(argument.c_str()); }
};
using Run = std::string (*)(const Call&);

// The functions a directive chooses; the literal directive runs on the
// row's value as written and has none.
const std::pair<std::string_view, Run> kFunctions[] = {
    {"format",
     [](const Call& c) {
       return Shown(Format(c.value, FromUtf8(c.argument), c.locale), ShowVariant);
     }},
    {"formatnumber",
     [](const Call& c) { return Shown(FormatNumber(c.value, c.Decimals(), c.locale), Quoted); }},
    {"formatcurrency",
     [](const Call& c) { return Shown(FormatCurrency(c.value, c.locale), Quoted); }},
    {"round",
     [](const Call& c) {
       return Shown(Round(c.value, c.Decimals(), c.locale), [&](const Variant& r) {
         return Quoted(ToText(r, c.locale).value) + " " + U8(TypeName(r.type()));
       });
     }},
    {"text", [](const Call& c) { return Shown(ToText(c.value, c.locale), Quoted); }},
    {"number",
     [](const Call& c) {
       if (!c.value.IsText()) return std::string("<number reads text only>");
       return Shown(ParseNumber(c.value.AsText(), c.locale), ShowNumber);
     }},
    {"integer", [](const Call& c) { return Shown(ToInteger(c.value, c.locale), ShowInteger); }},
    {"long", [](const Call& c) { return Shown(ToLong(c.value, c.locale), ShowInteger); }},
    {"numeric",
     [](const Call& c) {
       return std::string(IsNumeric(c.value, c.locale) ? "«True»" : "«False»");
     }},
    {"label",
     [](const Call& c) {
       host::MemoryTable table({{u"V", host::FieldType::kString}});
       table.AddRow({c.value});
       SetUserLocaleOverride(c.locale.name);
       evaluator::PeltExpressionEvaluator evaluator;
       const std::u16string label =
           evaluator.MakeLabel(&table, &table.Row(0), FromUtf8(c.argument), nullptr);
       ClearUserLocaleOverride();
       return evaluator.LastCallSucceeded() ? Quoted(label) : "error " + U8(evaluator.Message());
     }},
    {"literal", nullptr},
};

const std::pair<std::string_view, Run>* FunctionNamed(std::string_view word) {
  for (const auto& function : kFunctions) {
    if (function.first == word) return &function;
  }
  return nullptr;
}

std::filesystem::path DataDirectory() {
  if (const char* root = std::getenv("PELT_SOURCE_DIR")) {
    return std::filesystem::path(root) / "tests" / "data" / "format";
  }
  return PELT_FORMAT_DATA_DIR;
}

// Rows whose dates take their year from the clock say "{this year}".
std::string WithThisYear(std::string text) {
  constexpr std::string_view kThisYear = "{this year}";
  const std::size_t at = text.find(kThisYear);
  if (at == std::string::npos) return text;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return text.replace(at, kThisYear.size(), std::to_string(local.tm_year + 1900));
}

// A row: the value (str:«…» may hold blanks) and the expected result.
void ReadRow(std::string_view text, GoldenRow& row) {
  std::string_view after;
  if (text.substr(0, 4) == "str:" && text.substr(4, kOpen.size()) == kOpen) {
    const std::size_t close = text.find(kClose, 4 + kOpen.size());
    row.value = "str:" + std::string(text.substr(4 + kOpen.size(), close - 4 - kOpen.size()));
    after = close == std::string_view::npos ? "" : text.substr(close + kClose.size());
  } else {
    const std::size_t blank = std::min(text.find(' '), text.size());
    row.value = std::string(text.substr(0, blank));
    after = text.substr(blank);
  }
  while (!after.empty() && after.front() == ' ') after.remove_prefix(1);
  row.expected = WithThisYear(std::string(after));
}

void LoadFile(const std::filesystem::path& path, std::vector<GoldenRow>& rows) {
  std::ifstream in(path);
  std::string line;
  GoldenRow state;
  state.file = path.stem().string();
  state.locale = "en_US";
  while (std::getline(in, line)) {
    ++state.line;
    if (line.empty() || line[0] == '#') continue;
    const std::string_view text(line);
    const std::size_t blank = std::min(text.find(' '), text.size());
    const std::string_view word = text.substr(0, blank);
    const std::string_view tail = text.substr(std::min(blank + 1, text.size()));
    if (word == "locale") {
      state.locale = std::string(tail);
      continue;
    }
    if (FunctionNamed(word) != nullptr) {
      state.function = std::string(word);
      state.argument = Unquoted(tail);
      continue;
    }
    GoldenRow row = state;
    ReadRow(text, row);
    rows.push_back(row);
  }
}

std::vector<GoldenRow> LoadRows() {
  std::vector<GoldenRow> rows;
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(DataDirectory(), error)) {
    if (entry.path().extension() == ".txt") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) LoadFile(file, rows);
  return rows;
}

// What the row's function gives, written the way the golden files write it.
std::string RunRow(const GoldenRow& row) {
  const std::optional<Variant> value = ParseTypedLiteral(row.value);
  const Run run = FunctionNamed(row.function)->second;
  if (run == nullptr) return value ? Quoted(FromUtf8(testing::Dump(*value))) : "refused";
  if (!value) return "<bad value " + row.value + ">";
  return run(Call{*value, row.argument, LocaleDataFor(row.locale)});
}

class FormatGoldenTest : public ::testing::TestWithParam<GoldenRow> {};

TEST_P(FormatGoldenTest, GivesTheExpectedText) {
  const GoldenRow& row = GetParam();
  SCOPED_TRACE(row.file + ".txt:" + std::to_string(row.line) + "  " + row.locale + "  " +
               row.argument + "  " + row.value);
  EXPECT_EQ(RunRow(row), row.expected);
}

TEST(FormatGoldenFilesTest, HaveSeveralHundredRows) { EXPECT_GE(LoadRows().size(), 300u); }

INSTANTIATE_TEST_SUITE_P(Golden, FormatGoldenTest, ::testing::ValuesIn(LoadRows()),
                         [](const ::testing::TestParamInfo<GoldenRow>& param_info) {
                           return param_info.param.file + "_" +
                                  std::to_string(param_info.param.line);
                         });

}  // namespace
}  // namespace pelt::format
