// Reserved words without a value, and "$$" that a shell replaced before the
// program saw the expression.

#include <string>

#include "pelt/value/nearest.h"
#include "pelt/value/text.h"
#include "slips.h"
#include "warning_text.h"

namespace pelt::warnings::internal {
namespace {

using language::Token;
using language::TokenKind;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsWordStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool IsWordCharacter(char16_t c) { return IsWordStart(c) || IsDigit(c); }

bool Supplies(const std::vector<std::u16string>& words, std::u16string_view word) {
  for (const std::u16string& supplied : words) {
    if (value::EqualsNoCase(supplied, word)) return true;
  }
  return false;
}

void CheckWord(const Token& token, const std::vector<std::u16string>& supplied,
               std::vector<Warning>& out) {
  if (Supplies(supplied, token.text)) return;
  const std::vector<std::u16string_view> names(supplied.begin(), supplied.end());
  const std::vector<std::size_t> nearest = value::NearestNames(token.text, names);
  const std::u16string word = u"$$" + token.text;
  // The token's span starts at its "$$".
  const auto length = static_cast<std::uint32_t>(word.size());
  if (nearest.size() == 1) {
    const std::u16string fix = u"$$" + supplied[nearest.front()];
    out.push_back(MakeWarning(WarningKind::kWordWithoutValueNear, {{u"word", word}, {u"fix", fix}},
                              token.offset, length));
  } else {
    out.push_back(
        MakeWarning(WarningKind::kWordWithoutValue, {{u"word", word}}, token.offset, length));
  }
}

bool IsShellId(std::u16string_view digits, const std::vector<std::int64_t>& ids) {
  for (const std::int64_t id : ids) {
    if (digits == value::FromAscii(std::to_string(id))) return true;
  }
  return false;
}

// In "Page 8621PAGE_NUMBER", the digits a shell put for "$$", glued to a
// word the run supplies or following the shell's own process id.
void CheckShell(const Token& token, const WarningContext& context, std::vector<Warning>& out) {
  const std::u16string_view text = token.text;
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsDigit(text[i]) || (i > 0 && IsWordCharacter(text[i - 1]))) {
      ++i;
      continue;
    }
    std::size_t digits_end = i;
    while (digits_end < text.size() && IsDigit(text[digits_end])) ++digits_end;
    std::size_t word_end = digits_end;
    if (word_end < text.size() && IsWordStart(text[word_end])) {
      while (word_end < text.size() && IsWordCharacter(text[word_end])) ++word_end;
    }
    const std::u16string_view digits = text.substr(i, digits_end - i);
    const std::u16string_view word = text.substr(digits_end, word_end - digits_end);
    const bool supplied = context.supplied_words && Supplies(*context.supplied_words, word);
    if (!word.empty() && (supplied || IsShellId(digits, *context.shell_process_ids))) {
      const std::u16string meant = u"$$" + std::u16string(word);
      out.push_back(MakeWarning(WarningKind::kShellAteDollars,
                                {{u"text", text.substr(i, word_end - i)}, {u"word", meant}},
                                token.offset + static_cast<std::uint32_t>(i),
                                static_cast<std::uint32_t>(word_end - i)));
    }
    i = word_end;
  }
}

}  // namespace

void AddWordWarnings(const language::TokenList& tokens, const WarningContext& context,
                     std::vector<Warning>& out) {
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kReservedWord && context.supplied_words) {
      CheckWord(token, *context.supplied_words, out);
    } else if (token.kind == TokenKind::kText && context.shell_process_ids) {
      CheckShell(token, context, out);
    }
  }
}

}  // namespace pelt::warnings::internal
