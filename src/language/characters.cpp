#include "language/characters.h"

#include "pelt/value/text.h"

namespace pelt::language {

bool IsWordCharacter(char16_t c) {
  if (c < 128) return ClassOf(c) == CharClass::kWord;
  // The range tests as written, through the full case-insensitive comparison:
  // a folding such as U+FB00 "ff" sorts between "a" and "z" and so continues
  // a word, while most letters beyond ASCII sort after "z" and end it.
  const std::u16string_view one(&c, 1);
  const auto within = [&](std::u16string_view low, std::u16string_view high) {
    return value::CompareNoCase(one, low) >= 0 && value::CompareNoCase(one, high) <= 0;
  };
  return within(u"0", u"9") || within(u"a", u"z") || within(u"A", u"Z") ||
         value::EqualsNoCase(one, u"_");
}

bool EqualsNoCaseFast(std::u16string_view text, std::u16string_view ascii_keyword) {
  if (IsAscii(text)) {
    if (text.size() != ascii_keyword.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      char16_t a = text[i];
      char16_t b = ascii_keyword[i];
      if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 32);
      if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + 32);
      if (a != b) return false;
    }
    return true;
  }
  return value::EqualsNoCase(text, ascii_keyword);
}

}  // namespace pelt::language
