// Runs the golden files of tests/data/format: every row formats one value in
// one locale with one function and compares the text a label would show.
//
// File syntax (one directive or row per line, # starts a comment line):
//   locale de_DE             the locale of the rows that follow
//   format «picture»         Format with that picture (may be «»)
//   formatnumber 2           FormatNumber with 2 decimals
//   formatcurrency           FormatCurrency
//   round 2                  Round to 2 decimals
//   <value> «expected»       a row: a typed literal (str:«…» for text with
//                            blanks) and the expected text
//   <value> null             the result is null
//   <value> error            the function refuses the value
//   <value> «text» Type      Round: the text form and the type name
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pelt/value/format.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"
#include "support/dump.h"

namespace pelt::value {
namespace {

enum class Function { kFormat, kFormatNumber, kFormatCurrency, kRound };

struct GoldenRow {
  std::string file;
  int line = 0;
  std::string locale;
  Function function = Function::kFormat;
  std::string argument;  // picture (UTF-8) or decimals
  std::string value;     // typed literal
  std::string expected;  // "«text»", "null", "error", or "«text» Type"
};

// Parameter names in gtest's output: the row's place in its file.
void PrintTo(const GoldenRow& row, std::ostream* os) { *os << row.file << ".txt:" << row.line; }

constexpr std::string_view kOpen = "\xC2\xAB";   // «
constexpr std::string_view kClose = "\xC2\xBB";  // »

// «…» at the start of text: the inside, and the rest after the closing mark.
bool Guillemets(std::string_view text, std::string& inside, std::string_view& rest) {
  if (text.substr(0, kOpen.size()) != kOpen) return false;
  const std::size_t close = text.rfind(kClose);
  if (close == std::string_view::npos || close < kOpen.size()) return false;
  inside = std::string(text.substr(kOpen.size(), close - kOpen.size()));
  rest = text.substr(close + kClose.size());
  return true;
}

std::filesystem::path DataDirectory() {
  if (const char* root = std::getenv("PELT_SOURCE_DIR")) {
    return std::filesystem::path(root) / "tests" / "data" / "format";
  }
  return PELT_FORMAT_DATA_DIR;
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
    std::string_view text(line);
    const auto word_end = text.find(' ');
    const std::string_view word = text.substr(0, word_end);
    const std::string_view tail =
        word_end == std::string_view::npos ? std::string_view() : text.substr(word_end + 1);
    std::string inside;
    std::string_view rest;
    if (word == "locale") {
      state.locale = std::string(tail);
    } else if (word == "format") {
      state.function = Function::kFormat;
      state.argument = Guillemets(tail, inside, rest) ? inside : "<bad picture line>";
    } else if (word == "formatnumber") {
      state.function = Function::kFormatNumber;
      state.argument = std::string(tail);
    } else if (word == "formatcurrency") {
      state.function = Function::kFormatCurrency;
      state.argument.clear();
    } else if (word == "round") {
      state.function = Function::kRound;
      state.argument = std::string(tail);
    } else {
      GoldenRow row = state;
      std::string_view after;
      if (text.substr(0, 4) == "str:" && text.substr(4, kOpen.size()) == kOpen) {
        const std::size_t close = text.find(kClose, 4 + kOpen.size());
        row.value = "str:" + std::string(text.substr(4 + kOpen.size(), close - 4 - kOpen.size()));
        after = close == std::string_view::npos ? "" : text.substr(close + kClose.size());
      } else {
        row.value = std::string(word);
        after = tail;
      }
      while (!after.empty() && after.front() == ' ') after.remove_prefix(1);
      row.expected = std::string(after);
      rows.push_back(row);
    }
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
  if (!value) return "<bad value " + row.value + ">";
  const LocaleData& locale = LocaleDataFor(row.locale);
  const auto quoted = [](std::u16string_view text) {
    return std::string(kOpen) + testing::U8(text) + std::string(kClose);
  };
  switch (row.function) {
    case Function::kFormat: {
      const Converted<Variant> r = Format(*value, FromUtf8(row.argument), locale);
      if (!r.ok()) return "error";
      if (r.value.IsNull()) return "null";
      return quoted(r.value.AsText());
    }
    case Function::kFormatNumber: {
      const Converted<std::u16string> r = FormatNumber(*value, std::stoi(row.argument), locale);
      return r.ok() ? quoted(r.value) : "error";
    }
    case Function::kFormatCurrency: {
      const Converted<std::u16string> r = FormatCurrency(*value, locale);
      return r.ok() ? quoted(r.value) : "error";
    }
    case Function::kRound: {
      const Converted<Variant> r = Round(*value, std::stoi(row.argument), locale);
      if (!r.ok()) return "error";
      const Converted<std::u16string> text = ToText(r.value, locale);
      return quoted(text.value) + " " + testing::U8(TypeName(r.value.type()));
    }
  }
  return "<unknown function>";
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
                           return param_info.param.file + "_" + std::to_string(param_info.param.line);
                         });

}  // namespace
}  // namespace pelt::value
