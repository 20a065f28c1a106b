// pelt-label's help topics as C++: each topic's text a line at a time, so
// that no literal grows beyond what every compiler takes.

#include <cstdio>
#include <sstream>

#include "plain_text.h"
#include "writers.h"

namespace pelt::reference {
namespace {

// A C++ string literal: quotes, backslashes and question marks escaped,
// every byte beyond printable ASCII in octal (which, unlike a hexadecimal
// escape, cannot run on into the characters after it).
std::string Literal(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\' || c == '?') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(byte));
      out += octal;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string HelpTopicsSource(const Document& document) {
  std::string out =
      "// Made by tools/pelt-reference from docs/expressions.ref: the topics of\n"
      "// pelt-label help as the reference renders them for a terminal.\n\n"
      "#include \"help_topics.h\"\n\nnamespace pelt::tools {\nnamespace {\n\n";
  std::string table = "constexpr HelpTopic kTopics[] = {\n";
  std::string part;
  for (std::size_t i = 0; i < document.topics.size(); ++i) {
    const Topic& topic = document.topics[i];
    if (topic.level == 2) part = topic.id;
    const std::string lines = "kLines" + std::to_string(i);
    out += "constexpr std::string_view " + lines + "[] = {\n";
    std::istringstream text(TopicText(document, i));
    for (std::string line; std::getline(text, line);) out += "    " + Literal(line) + ",\n";
    out += "};\n";
    table += "    {" + Literal(topic.id) + ", " + Literal(topic.title) + ", " +
             Literal(topic.level == 2 ? "" : part) + ", " + lines + "},\n";
  }
  return out + "\n" + table +
         "};\n\n}  // namespace\n\nstd::span<const HelpTopic> HelpTopics() { return kTopics; }\n\n"
         "}  // namespace pelt::tools\n";
}

}  // namespace pelt::reference
