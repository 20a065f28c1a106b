#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pelt/language/statements.h"

namespace pelt::language {

// An argument of a formatting statement: a 32-bit integer (counts, positions,
// decimals) or text (pictures, search and replacement). An argument the
// statement does not take is the empty text.
using Argument = std::variant<std::u16string, std::int32_t>;

// One formatting statement after a field: item 1 the function, items 2 and 3
// its arguments.
struct FormatEntry {
  StatementId function = StatementId::kNone;
  Argument first = std::u16string();
  Argument second = std::u16string();

  // Item 1 as text: "NONE", "UCase", "Left" …
  std::u16string_view FunctionName() const { return StatementName(function); }
  friend bool operator==(const FormatEntry&, const FormatEntry&) = default;
};

// The statements of one field, in the order written. A field without
// statements holds exactly one kNone entry.
using FormatList = std::vector<FormatEntry>;

enum class TokenKind : std::uint8_t { kField, kText, kReservedWord };

// "Field", "Text" or "RESERVEDWORD".
std::u16string_view TokenKindName(TokenKind kind);

// One piece of a scanned expression.
struct Token {
  TokenKind kind = TokenKind::kText;
  // Item 2: the field name between the brackets, the literal text, or the
  // reserved word without its "$$", exactly as written.
  std::u16string text;
  // Item 3, for fields only.
  FormatList formats;
  // Where the piece stands in the expression: 0-based offset and length in
  // UTF-16 units. For a field the span runs from "[" to the last character
  // of its last statement.
  std::uint32_t offset = 0;
  std::uint32_t length = 0;

  friend bool operator==(const Token&, const Token&) = default;
};

// The tokens of one expression, in the order written. Tokens are only ever
// appended.
class TokenList {
 public:
  void Append(Token token) { tokens_.push_back(std::move(token)); }
  void Append(std::vector<Token>&& tokens);
  // Appends a default token and returns it for filling in place.
  Token& AppendNew() { return tokens_.emplace_back(); }
  void Clear() { tokens_.clear(); }

  std::int32_t Count() const { return static_cast<std::int32_t>(tokens_.size()); }
  bool empty() const { return tokens_.empty(); }
  // 1-based, as the rest of the component counts.
  const Token& Item(std::int32_t position) const {
    return tokens_.at(static_cast<std::size_t>(position - 1));
  }

  auto begin() const { return tokens_.begin(); }
  auto end() const { return tokens_.end(); }

 private:
  std::vector<Token> tokens_;
};

}  // namespace pelt::language
