#include "language/text_scanner.h"

#include "language/characters.h"

namespace pelt::language {
namespace {

constexpr std::u16string_view kReservedWordMark = u"$$";
// Written after "$$", this word is literal text, so that "$$DOTS" reaches the
// label as written.
constexpr std::u16string_view kLiteralWord = u"DOTS";

void AppendToken(std::vector<Token>& out, TokenKind kind, std::u16string_view expression,
                 std::size_t text_offset, std::size_t text_length, std::size_t span_offset,
                 std::size_t span_length) {
  Token& token = out.emplace_back();
  token.kind = kind;
  token.text.assign(expression.substr(text_offset, text_length));
  token.offset = static_cast<std::uint32_t>(span_offset);
  token.length = static_cast<std::uint32_t>(span_length);
}

void AppendText(std::vector<Token>& out, std::u16string_view expression, std::size_t offset,
                std::size_t length) {
  AppendToken(out, TokenKind::kText, expression, offset, length, offset, length);
}

}  // namespace

void ScanLiteralText(std::u16string_view expression, std::size_t offset, std::size_t length,
                     std::vector<Token>& out) {
  const std::size_t end = offset + length;
  // The stretch alone, so that the search for "$$" stops at its end.
  const std::u16string_view stretch = expression.substr(0, end);
  std::size_t rest = offset;  // the remaining text runs from here to end
  std::size_t mark = stretch.find(kReservedWordMark, rest);
  while (mark != std::u16string_view::npos) {
    if (mark > rest) AppendText(out, expression, rest, mark - rest);
    const std::size_t word_begin = mark + kReservedWordMark.size();
    std::size_t word_end = word_begin;
    while (word_end < end && IsWordCharacter(expression[word_end])) ++word_end;
    const std::u16string_view word = expression.substr(word_begin, word_end - word_begin);
    if (!word.empty() && !EqualsNoCaseFast(word, kLiteralWord)) {
      AppendToken(out, TokenKind::kReservedWord, expression, word_begin, word.size(), mark,
                  word_end - mark);
      rest = word_end;
    } else {
      AppendText(out, expression, mark, kReservedWordMark.size());
      rest = word_begin;
    }
    mark = stretch.find(kReservedWordMark, rest);
  }
  if (rest < end) AppendText(out, expression, rest, end - rest);
}

}  // namespace pelt::language
