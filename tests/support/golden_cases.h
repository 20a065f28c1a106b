#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace pelt::testing {

// A table of cases kept as data: each an input and the text it gives.
//
//   # a comment
//   @ NAME VALUE     a setting for the cases after it, until set again
//   > input          starts a case ("" for a lone ">")
//   | more input     a line break and more of the input, right after it
//   an expected line
//
// The expected text is the case's other lines, each ending in "\n" ("" for
// none; blank lines are skipped); when its last line ends in "...", a
// prefix of the text. actual gives each case's text; failures name
// file:line of the case, as do the assertions made while it runs.
struct GoldenCase {
  std::string input;
  std::map<std::string, std::string> settings;

  // The setting NAME, "" when the cases before set none.
  std::string Setting(const std::string& name) const;
};

// text as lines of an expected text: with a line break, or "" for no text.
std::string Lines(const std::string& text);

void RunGoldenCases(const std::filesystem::path& file,
                    const std::function<std::string(const GoldenCase&)>& actual);

}  // namespace pelt::testing
