#include "plain_text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <numeric>

namespace pelt::reference {
namespace {

// Stands for a blank inside a code span while prose is cut into words.
constexpr char kKeptBlank = '\x01';

bool HasLetterOrDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (static_cast<unsigned char>(c) & 0x80) != 0;
  });
}

std::string Repeated(char c, std::size_t n) { return std::string(n, c); }

// Pads text with blanks to width columns.
std::string Padded(const std::string& text, std::size_t width) {
  return text + Repeated(' ', width - std::min(width, DisplayWidth(text)));
}

std::string RightTrimmed(std::string line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void AppendBlock(const Block& block, std::vector<std::string>& lines) {
  constexpr std::size_t kWidth = 78;
  if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
    const std::vector<std::string> filled = Fill(paragraph->text, kWidth, "", "");
    lines.insert(lines.end(), filled.begin(), filled.end());
  } else if (const auto* heading = std::get_if<Heading>(&block)) {
    lines.push_back(heading->text);
    lines.push_back(Repeated('-', DisplayWidth(heading->text)));
  } else if (const auto* bullets = std::get_if<Bullets>(&block)) {
    for (const Inline& item : bullets->items) {
      const std::vector<std::string> filled = Fill(item, kWidth, "  - ", "    ");
      lines.insert(lines.end(), filled.begin(), filled.end());
    }
  } else if (const auto* table = std::get_if<Table>(&block)) {
    if (!table->caption.empty()) {
      const std::vector<std::string> caption = Fill(table->caption, kWidth, "", "");
      lines.insert(lines.end(), caption.begin(), caption.end());
      lines.emplace_back();
    }
    const std::vector<std::string> table_lines = TableLines(*table, kWidth, "  ");
    lines.insert(lines.end(), table_lines.begin(), table_lines.end());
  } else if (const auto* session = std::get_if<Session>(&block)) {
    const std::vector<std::string> session_lines = SessionLines(*session, "  ");
    lines.insert(lines.end(), session_lines.begin(), session_lines.end());
  }
}

}  // namespace

std::size_t DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  std::int32_t at = 0;
  const auto length = static_cast<std::int32_t>(utf8.size());
  while (at < length) {
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(utf8.data()), at, length, c);
    if (c < 0) {
      ++width;
      continue;
    }
    const auto east_asian =
        static_cast<UEastAsianWidth>(u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH));
    if (u_charType(c) == U_NON_SPACING_MARK) continue;
    width += east_asian == U_EA_WIDE || east_asian == U_EA_FULLWIDTH ? 2 : 1;
  }
  return width;
}

std::string PlainText(const Inline& text, bool quote_code) {
  std::string out;
  for (const Span& span : text) {
    const bool quoted =
        quote_code && span.kind == Span::Kind::kCode &&
        (!HasLetterOrDigit(span.text) || span.text.starts_with(' ') || span.text.ends_with(' '));
    out += quoted ? "'" + span.text + "'" : span.text;
  }
  return out;
}

std::vector<std::string> Fill(const Inline& text, std::size_t width, std::string_view first_indent,
                              std::string_view indent) {
  Inline kept = text;
  for (Span& span : kept) {
    if (span.kind == Span::Kind::kCode)
      std::replace(span.text.begin(), span.text.end(), ' ', kKeptBlank);
  }
  const std::string plain = PlainText(kept, true);
  std::vector<std::string> lines{std::string(first_indent)};
  bool line_has_word = false;
  std::size_t start = 0;
  while (start <= plain.size()) {
    std::size_t end = plain.find(' ', start);
    if (end == std::string::npos) end = plain.size();
    std::string word = plain.substr(start, end - start);
    start = end + 1;
    if (word.empty()) continue;
    std::replace(word.begin(), word.end(), kKeptBlank, ' ');
    if (line_has_word && DisplayWidth(lines.back()) + 1 + DisplayWidth(word) > width) {
      lines.emplace_back(indent);
      line_has_word = false;
    }
    if (line_has_word) lines.back() += ' ';
    lines.back() += word;
    line_has_word = true;
  }
  return lines;
}

std::vector<std::string> TableLines(const Table& table, std::size_t width,
                                    std::string_view indent) {
  // The narrowest the last column may be wrapped to before a table turns
  // into blocks of "Heading: cell" lines.
  constexpr std::size_t kNarrowestLastColumn = 24;
  std::vector<std::vector<std::string>> cells;
  for (const auto& row : table.rows) {
    std::vector<std::string>& texts = cells.emplace_back();
    for (const Inline& cell : row) texts.push_back(PlainText(cell, false));
  }
  std::vector<std::size_t> widths;
  for (const std::string& heading : table.headings) widths.push_back(DisplayWidth(heading));
  for (const auto& row : cells) {
    for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  const std::size_t before_last = indent.size() + 2 * (widths.size() - 1) +
                                  std::accumulate(widths.begin(), widths.end() - 1, std::size_t{0});
  std::vector<std::string> lines;
  if (before_last + std::min(widths.back(), kNarrowestLastColumn) <= width) {
    const std::size_t last = std::min(widths.back(), width - before_last);
    widths.back() = last;
    const auto add_row = [&](const std::vector<std::string>& texts) {
      std::string start(indent);
      for (std::size_t i = 0; i + 1 < widths.size(); ++i) {
        start += Padded(i < texts.size() ? texts[i] : "", widths[i] + 2);
      }
      const std::string text = texts.size() == widths.size() ? texts.back() : "";
      if (DisplayWidth(text) <= last) {  // as it is: filling would merge its blanks
        lines.push_back(RightTrimmed(start + text));
        return;
      }
      const std::vector<std::string> wrapped = Fill({{Span::Kind::kText, text}}, before_last + last,
                                                    start, std::string(before_last, ' '));
      for (const std::string& line : wrapped) lines.push_back(RightTrimmed(line));
    };
    add_row(table.headings);
    std::vector<std::string> rules;
    for (const std::size_t w : widths) rules.push_back(Repeated('-', w));
    add_row(rules);
    for (const auto& row : cells) add_row(row);
    return lines;
  }
  for (const auto& row : cells) {
    if (!lines.empty()) lines.emplace_back();
    for (std::size_t i = 0; i < row.size() && i < table.headings.size(); ++i) {
      if (row[i].empty()) continue;
      const std::string line = std::string(indent) + table.headings[i] + ": " + row[i];
      if (DisplayWidth(line) <= width) {
        lines.push_back(line);
        continue;
      }
      const std::vector<std::string> filled =
          Fill({{Span::Kind::kText, table.headings[i] + ": " + row[i]}}, width, indent,
               std::string(indent) + "    ");
      lines.insert(lines.end(), filled.begin(), filled.end());
    }
  }
  return lines;
}

std::vector<std::string> SessionLines(const Session& session, std::string_view indent) {
  std::vector<std::string> lines;
  for (const Session::Command& command : session.commands) {
    lines.push_back(std::string(indent) + "$ " + command.line);
    for (const std::string& line : command.output) {
      lines.push_back(RightTrimmed(std::string(indent) + line));
    }
    if (command.more) lines.push_back(std::string(indent) + "...");
  }
  return lines;
}

std::string TopicText(const Document& document, std::size_t topic) {
  const Topic& shown = document.topics[topic];
  std::vector<std::string> lines{shown.title, Repeated('=', DisplayWidth(shown.title))};
  for (const Block& block : shown.blocks) {
    lines.emplace_back();
    AppendBlock(block, lines);
  }
  const std::vector<const Topic*> subtopics = Subtopics(document, topic);
  if (!subtopics.empty()) {
    Inline more{{Span::Kind::kText, "Its topics, each shown by pelt-label help TOPIC: "}};
    for (const Topic* sub : subtopics) {
      more.push_back({Span::Kind::kCode, sub->id});
      more.push_back({Span::Kind::kText, sub == subtopics.back() ? "." : ", "});
    }
    lines.emplace_back();
    AppendBlock(Paragraph{more}, lines);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace pelt::reference
