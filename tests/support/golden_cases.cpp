#include "support/golden_cases.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace pelt::testing {
namespace {

struct Row {
  int line = 0;
  GoldenCase golden;
  std::string expected;
};

std::vector<Row> ReadRows(const std::string& file) {
  std::vector<Row> rows;
  std::map<std::string, std::string> settings;
  std::ifstream in(file);
  EXPECT_TRUE(in) << "cannot read " << file;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string rest = line.size() > 2 ? line.substr(2) : "";
    if (line.empty() || line.starts_with('#')) continue;
    if (line.starts_with("@ ")) {
      const std::size_t blank = rest.find(' ');
      settings[rest.substr(0, blank)] = blank == std::string::npos ? "" : rest.substr(blank + 1);
    } else if (line == ">" || line.starts_with("> ")) {
      rows.push_back({number, {rest, settings}, ""});
    } else if (rows.empty()) {
      ADD_FAILURE_AT(file.c_str(), number) << "expected a case starting with '> '";
    } else if (line.starts_with("| ") && rows.back().expected.empty()) {
      rows.back().golden.input += "\n" + rest;
    } else {
      rows.back().expected += line + '\n';
    }
  }
  return rows;
}

}  // namespace

std::string GoldenCase::Setting(const std::string& name) const {
  const auto found = settings.find(name);
  return found == settings.end() ? "" : found->second;
}

std::string Lines(const std::string& text) { return text.empty() ? text : text + '\n'; }

void RunGoldenCases(const std::filesystem::path& file,
                    const std::function<std::string(const GoldenCase&)>& actual) {
  std::vector<Row> rows = ReadRows(file.string());
  EXPECT_FALSE(rows.empty()) << file << " has no cases";
  for (Row& row : rows) {
    const ::testing::ScopedTrace trace(file.c_str(), row.line, row.golden.input);
    const std::string text = actual(row.golden);
    const bool prefix = row.expected.ends_with("...\n");
    if (prefix) row.expected.resize(row.expected.size() - 4);
    if (prefix ? !text.starts_with(row.expected) : text != row.expected) {
      ADD_FAILURE_AT(file.c_str(), row.line)
          << row.golden.input << "\nexpected" << (prefix ? " a start of" : "") << ":\n"
          << row.expected << "--- but was:\n"
          << text << "---";
    }
  }
}

}  // namespace pelt::testing
