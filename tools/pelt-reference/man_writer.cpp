// The manual page pelt-expressions(7), in the man macros. Tables and
// sessions are laid out as plain text in no-fill mode.

#include <unicode/utf8.h>

#include <cstdio>

#include "plain_text.h"
#include "writers.h"

namespace pelt::reference {
namespace {

constexpr std::size_t kTableWidth = 70;  // a terminal of 80 less the page's indents

// Text for troff: backslashes and code's hyphens escaped, every character
// beyond ASCII by its code point, so that the page reads the same in any
// locale man runs in.
std::string Troff(std::string_view text, bool code) {
  std::string out;
  std::int32_t at = 0;
  const auto length = static_cast<std::int32_t>(text.size());
  while (at < length) {
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), at, length, c);
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-' && code) {
      out += "\\-";
    } else if (c >= 0 && c < 0x80) {
      out += static_cast<char>(c);
    } else {
      char name[16];
      std::snprintf(name, sizeof name, "\\[u%04X]", static_cast<unsigned>(c < 0 ? 0xFFFD : c));
      out += name;
    }
  }
  return out;
}

// A line of text that troff must not read as a request.
std::string Line(std::string text) {
  if (text.starts_with('.') || text.starts_with('\'')) text = "\\&" + text;
  return text + "\n";
}

std::string Filled(const Inline& text) {
  std::string out;
  for (const Span& span : text) {
    switch (span.kind) {
      case Span::Kind::kText: out += Troff(span.text, false); break;
      case Span::Kind::kCode: out += "\\fB" + Troff(span.text, true) + "\\fR"; break;
      case Span::Kind::kRemark: out += "\\fI" + Troff(span.text, false) + "\\fR"; break;
    }
  }
  return Line(out);
}

std::string Unfilled(const std::vector<std::string>& lines) {
  std::string out = ".PP\n.RS 2\n.nf\n";
  for (const std::string& line : lines) out += Line(Troff(line, false));
  return out + ".fi\n.RE\n";
}

void AppendBlock(const Block& block, std::string& out) {
  if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
    out += ".PP\n" + Filled(paragraph->text);
  } else if (const auto* heading = std::get_if<Heading>(&block)) {
    out += ".PP\n.B " + Troff(heading->text, false) + "\n";
  } else if (const auto* bullets = std::get_if<Bullets>(&block)) {
    for (const Inline& item : bullets->items) out += ".IP \\(bu 2\n" + Filled(item);
  } else if (const auto* table = std::get_if<Table>(&block)) {
    if (!table->caption.empty()) out += ".PP\n" + Filled(table->caption);
    out += Unfilled(TableLines(*table, kTableWidth, ""));
  } else if (const auto* session = std::get_if<Session>(&block)) {
    out += Unfilled(SessionLines(*session, ""));
  }
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::string ManPageText(const Document& document, std::string_view version) {
  std::string out =
      ".\\\" Made by tools/pelt-reference from docs/expressions.ref, with every example\n"
      ".\\\" computed by the program: edit that file, not this one.\n"
      ".TH PELT-EXPRESSIONS 7 \"\" \"PeltExpressions " +
      std::string(version) + "\" \"PeltExpressions Manual\"\n.SH NAME\npelt-expressions \\- " +
      Troff(document.summary, false) + "\n.SH DESCRIPTION\n";
  for (const Block& block : document.intro) AppendBlock(block, out);
  for (const Topic& topic : document.topics) {
    out += topic.level == 2 ? ".SH " + Troff(Upper(topic.title), false) + "\n"
                            : ".SS " + Troff(topic.title, false) + "\n";
    for (const Block& block : topic.blocks) AppendBlock(block, out);
  }
  return out + ".SH SEE ALSO\n.BR pelt-label (1)\n";
}

}  // namespace pelt::reference
