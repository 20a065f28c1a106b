#include "pelt/language/token_list.h"

namespace pelt::language {

std::u16string_view TokenKindName(TokenKind kind) {
  switch (kind) {
    case TokenKind::kField: return u"Field";
    case TokenKind::kText: return u"Text";
    case TokenKind::kReservedWord: return u"RESERVEDWORD";
  }
  return u"Text";
}

void TokenList::Append(std::vector<Token>&& tokens) {
  for (Token& token : tokens) tokens_.push_back(std::move(token));
}

}  // namespace pelt::language
