// pelt-reference: renders the reference of the label-expression language
// from its source, with every example computed by the program, as
// Markdown, as the manual page pelt-expressions(7) and as the topics of
// pelt-label help. The build runs it; a test compares the renderings with
// the ones committed under docs/.
//
//   pelt-reference SOURCE ROOT VERSION MARKDOWN MAN_PAGE HELP_TOPICS_CPP

#include <fstream>
#include <iostream>
#include <sstream>

#include "plain_text.h"
#include "reference_source.h"
#include "shell_examples.h"
#include "writers.h"

namespace pelt::reference {
namespace {

// The lines of a help topic a session shows before its "...".
constexpr std::size_t kHelpLinesShown = 4;

// Fills in what "pelt-label help TOPIC" prints in the sessions: the start
// of that topic's text.
void ShowHelpOutputs(Document& document) {
  for (Topic& topic : document.topics) {
    for (Block& block : topic.blocks) {
      auto* session = std::get_if<Session>(&block);
      if (session == nullptr) continue;
      for (Session::Command& command : session->commands) {
        const auto words = ShellWords(command.line);
        if (!words || words->size() != 3 || (*words)[1] != "help") continue;
        for (std::size_t i = 0; i < document.topics.size(); ++i) {
          if (document.topics[i].id != (*words)[2]) continue;
          std::istringstream text(TopicText(document, i));
          command.output.clear();
          for (std::string line;
               command.output.size() < kHelpLinesShown && std::getline(text, line);) {
            command.output.push_back(line);
          }
          command.more = true;
        }
      }
    }
  }
}

bool Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (out) return true;
  std::cerr << "pelt-reference: cannot write " << path << '\n';
  return false;
}

}  // namespace
}  // namespace pelt::reference

int main(int argc, char** argv) {
  using namespace pelt::reference;
  if (argc != 7) {
    std::cerr << "usage: pelt-reference SOURCE ROOT VERSION MARKDOWN MAN_PAGE HELP_TOPICS_CPP\n";
    return 2;
  }
  Document document;
  std::vector<std::string> errors;
  if (!ReadReference(argv[1], argv[2], document, errors)) {
    for (const std::string& error : errors) std::cerr << error << '\n';
    return 1;
  }
  ShowHelpOutputs(document);
  const bool written =
      Write(argv[4], MarkdownText(document, "build-release/tools/pelt-label/pelt-label")) &&
      Write(argv[5], ManPageText(document, argv[3])) && Write(argv[6], HelpTopicsSource(document));
  return written ? 0 : 1;
}
