#include "support/transcript.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <optional>
#include <vector>

#include "support/run_program.h"

extern char** environ;

namespace pelt::testing {
namespace {

struct Case {
  int line = 0;
  std::string command;
  std::vector<std::string> args;
  std::optional<std::string> stdin_text;
  std::string out;
  std::string err;
  int exit_code = 0;
};

// text with its {NAME} escapes replaced; braces around anything else stay.
std::string Expand(const std::string& text, const std::map<std::string, std::string>& values) {
  std::string result;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t close = text[at] == '{' ? text.find('}', at) : std::string::npos;
    const std::string name = close == std::string::npos ? "" : text.substr(at + 1, close - at - 1);
    const auto value = values.find(name);
    if (close != std::string::npos && value != values.end()) {
      result += value->second;
    } else if (name.size() == 3 && name[0] == 'x' &&
               std::isxdigit(static_cast<unsigned char>(name[1])) &&
               std::isxdigit(static_cast<unsigned char>(name[2]))) {
      result += static_cast<char>(std::stoi(name.substr(1), nullptr, 16));
    } else {
      result += text[at];
      continue;
    }
    at = close;
  }
  return result;
}

// The words of a command line as a shell splits them; false for an open quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words) {
  std::optional<std::string> word;
  char quote = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const bool escaped = c == '\\' && quote != '\'' && i + 1 < line.size() &&
                         (quote == 0 || line[i + 1] == '"' || line[i + 1] == '\\');
    if (escaped) {
      word = word.value_or("") + line[++i];
    } else if (quote != 0 && c == quote) {
      quote = 0;
    } else if (quote == 0 && (c == '\'' || c == '"')) {
      quote = c;
      word = word.value_or("");
    } else if (quote == 0 && c == ' ') {
      if (word) words.push_back(*word);
      word.reset();
    } else {
      word = word.value_or("") + c;
    }
  }
  if (word) words.push_back(*word);
  return quote == 0;
}

// The test's environment with the locale variables set to C.
std::vector<std::string> CLocaleEnvironment() {
  std::vector<std::string> environment{"LANG=C", "LC_ALL=C"};
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!text.starts_with("LANG=") && !text.starts_with("LC_")) environment.push_back(text);
  }
  return environment;
}

// "" when actual is expected (or starts with it, for an expected "...\n" end).
std::string Difference(const std::string& what, const std::string& actual, std::string expected) {
  const bool prefix = expected.ends_with("...\n");
  if (prefix) expected.resize(expected.size() - 4);
  if (prefix ? actual.starts_with(expected) : actual == expected) return "";
  return what + (prefix ? " starting with:\n" : ":\n") + expected + "--- but was:\n" + actual +
         "---\n";
}

void Check(const std::filesystem::path& program, const std::string& file, const Case& c,
           const TempDir& dir) {
  const ProgramOutcome outcome =
      RunProgram(program.string(), c.args, dir, {c.stdin_text, CLocaleEnvironment()});
  std::string problems = Difference("standard output", outcome.out, c.out) +
                         Difference("standard error", outcome.err, c.err);
  if (outcome.exit_code != c.exit_code) {
    problems += "exit status " + std::to_string(outcome.exit_code) + ", expected " +
                std::to_string(c.exit_code) + "\n";
  }
  if (!problems.empty()) ADD_FAILURE_AT(file.c_str(), c.line) << c.command << '\n' << problems;
}

// The cases of a transcript, each with the line it starts on.
std::vector<Case> ReadCases(const std::string& file, const std::string& program_name,
                            const std::map<std::string, std::string>& values) {
  std::vector<Case> cases;
  std::ifstream in(file);
  EXPECT_TRUE(in) << "cannot read " << file;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    auto marked = [&](char mark) {
      return line == std::string(1, mark) || line.starts_with(std::string{mark, ' '});
    };
    const std::string text = Expand(line.size() > 2 ? line.substr(2) : "", values) + '\n';
    std::vector<std::string> words;
    if (line.empty() || line.starts_with('#')) continue;
    if (marked('$') && SplitWords(line.substr(2), words) && !words.empty() &&
        words.front() == program_name) {
      cases.emplace_back().line = number;
      cases.back().command = line;
      for (std::size_t i = 1; i < words.size(); ++i) {
        cases.back().args.push_back(Expand(words[i], values));
      }
    } else if (marked('$') || cases.empty()) {
      ADD_FAILURE_AT(file.c_str(), number) << "expected a command line of " << program_name;
    } else if (marked('<')) {
      cases.back().stdin_text = cases.back().stdin_text.value_or("") + text;
    } else if (marked('!')) {
      cases.back().err += text;
    } else if (marked('?')) {
      cases.back().exit_code = std::stoi(text);
    } else {
      cases.back().out += Expand(line, values) + '\n';
    }
  }
  return cases;
}

}  // namespace

void RunTranscript(const std::filesystem::path& program, const std::filesystem::path& file,
                   const std::map<std::string, std::string>& substitutions) {
  std::map<std::string, std::string> values = substitutions;
  values.insert({{"", ""}, {"tab", "\t"}, {"cr", "\r"}});
  const TempDir dir;
  for (const Case& c : ReadCases(file.string(), program.filename().string(), values)) {
    Check(program, file.string(), c, dir);
  }
}

}  // namespace pelt::testing
