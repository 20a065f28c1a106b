// docs/expressions.md: GitHub-flavoured Markdown.

#include <map>

#include "writers.h"

namespace pelt::reference {
namespace {

enum class Where { kProse, kTable };

bool IsWordCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Prose with the characters Markdown would read as markup escaped; "_"
// inside a word (en_US) is no markup.
std::string Escaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool in_word = c == '_' && i > 0 && i + 1 < text.size() && IsWordCharacter(text[i - 1]) &&
                         IsWordCharacter(text[i + 1]);
    if (!in_word && std::string_view("\\`*_[]<>|").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// A code span: fenced by more backticks than it holds in a row, with "|"
// escaped inside a table, whose cells it would otherwise split.
std::string CodeSpan(std::string_view code, Where where) {
  std::size_t longest = 0, run = 0;
  for (const char c : code) {
    run = c == '`' ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  const std::string fence(longest + 1, '`');
  std::string inside;
  for (const char c : code) {
    if (c == '|' && where == Where::kTable) inside += '\\';
    inside += c;
  }
  const bool pad = longest > 0 || inside.starts_with(' ') || inside.ends_with(' ');
  return pad ? fence + " " + inside + " " + fence : fence + inside + fence;
}

std::string Markdown(const Inline& text, Where where) {
  std::string out;
  for (const Span& span : text) {
    switch (span.kind) {
      case Span::Kind::kText: out += Escaped(span.text); break;
      case Span::Kind::kCode: out += CodeSpan(span.text, where); break;
      case Span::Kind::kRemark: out += "*" + Escaped(span.text) + "*"; break;
    }
  }
  return out;
}

// The anchor GitHub gives a heading: lower case, punctuation dropped, blanks
// as hyphens, and a number after a repeated one.
std::string Anchor(std::string_view title, std::map<std::string, int>& taken) {
  std::string anchor;
  for (const char c : title) {
    if (c >= 'A' && c <= 'Z') {
      anchor += static_cast<char>(c - 'A' + 'a');
    } else if (c == ' ') {
      anchor += '-';
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
      anchor += c;
    }
  }
  const int seen = taken[anchor]++;
  return seen == 0 ? anchor : anchor + "-" + std::to_string(seen);
}

void AppendBlock(const Block& block, std::string_view program_path, std::string& out) {
  if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
    out += Markdown(paragraph->text, Where::kProse) + "\n";
  } else if (const auto* heading = std::get_if<Heading>(&block)) {
    out += "**" + Escaped(heading->text) + "**\n";
  } else if (const auto* bullets = std::get_if<Bullets>(&block)) {
    for (const Inline& item : bullets->items) out += "- " + Markdown(item, Where::kProse) + "\n";
  } else if (const auto* table = std::get_if<Table>(&block)) {
    if (!table->caption.empty()) out += Markdown(table->caption, Where::kProse) + "\n\n";
    std::string rule = "|";
    out += "|";
    for (const std::string& column : table->headings) {
      out += " " + Escaped(column) + " |";
      rule += "---|";
    }
    out += "\n" + rule + "\n";
    for (const auto& row : table->rows) {
      out += "|";
      for (const Inline& cell : row) out += " " + Markdown(cell, Where::kTable) + " |";
      out += "\n";
    }
  } else if (const auto* session = std::get_if<Session>(&block)) {
    out += "```sh\n";
    for (const Session::Command& command : session->commands) {
      out += "$ " + std::string(program_path) + command.line.substr(command.line.find(' ')) + "\n";
      for (const std::string& line : command.output) out += line + "\n";
      if (command.more) out += "...\n";
    }
    out += "```\n";
  }
}

void AppendBlocks(const std::vector<Block>& blocks, std::string_view program_path,
                  std::string& out) {
  for (const Block& block : blocks) {
    out += "\n";
    AppendBlock(block, program_path, out);
  }
}

}  // namespace

std::string MarkdownText(const Document& document, std::string_view program_path) {
  std::string out =
      "<!-- Made by tools/pelt-reference from docs/expressions.ref, with every example computed "
      "by the program: edit that file, then run\n"
      "     cmake --build BUILD --target update-reference-docs -->\n"
      "# " +
      Escaped(document.title) + "\n";
  AppendBlocks(document.intro, program_path, out);
  std::map<std::string, int> taken;
  Anchor(document.title, taken);
  std::vector<std::string> anchors;
  out += "\n";
  for (const Topic& topic : document.topics) {
    anchors.push_back(Anchor(topic.title, taken));
    out += std::string(topic.level == 2 ? "" : "  ") + "- [" + Escaped(topic.title) + "](#" +
           anchors.back() + ")\n";
  }
  for (const Topic& topic : document.topics) {
    out += "\n" + std::string(static_cast<std::size_t>(topic.level), '#') + " " +
           Escaped(topic.title) + "\n";
    AppendBlocks(topic.blocks, program_path, out);
  }
  return out;
}

}  // namespace pelt::reference
