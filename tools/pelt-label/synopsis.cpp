#include "synopsis.h"

#include <string>
#include <vector>

#include "command.h"

namespace pelt::tools {
namespace {

constexpr std::size_t kLineWidth = 80;
constexpr std::string_view kUsageLead = "Usage: ";

// The form's words, a bracketed group with its blanks ("[--layer NAME]")
// counting as one.
std::vector<std::string_view> Words(std::string_view form) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i <= form.size(); ++i) {
    if (i == form.size() || (form[i] == ' ' && depth == 0)) {
      if (i > start) words.push_back(form.substr(start, i - start));
      start = i + 1;
    } else if (form[i] == '[') {
      ++depth;
    } else if (form[i] == ']') {
      --depth;
    }
  }
  return words;
}

}  // namespace

void WriteUsage(std::ostream& out, std::string_view command) {
  bool first = true;
  for (const Synopsis& synopsis : kSynopses) {
    if (synopsis.command != command) continue;
    std::string line(first ? kUsageLead : std::string(kUsageLead.size(), ' '));
    line += kProgramName;
    line += ' ';
    line += command;
    const std::size_t indent = line.size() + 1;
    bool line_has_word = false;
    for (std::string_view word : Words(synopsis.form)) {
      if (line_has_word && line.size() + 1 + word.size() > kLineWidth) {
        out << line << '\n';
        line.assign(indent - 1, ' ');
      }
      line += ' ';
      line += word;
      line_has_word = true;
    }
    out << line << '\n';
    first = false;
  }
}

}  // namespace pelt::tools
