#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pelt::language {

// Positions that the scanner and the statement parser exchange are 1-based,
// as users count them; string indices are 0-based. These two helpers are the
// only place where one becomes the other.
constexpr std::size_t ToIndex(std::int32_t position) {
  return static_cast<std::size_t>(position) - 1;
}
constexpr std::int32_t ToPosition(std::size_t index) {
  return static_cast<std::int32_t>(index + 1);
}

// Character classes of the ASCII range, one byte per character:
//
//   kOther   every character not listed below
//   kWord    0-9 A-Z a-z _     continues a reserved word
//   kOpen    [                 opens a field name
//   kClose   ]                 closes a field name
//
// Characters from U+0080 up are kOther here; whether one continues a reserved
// word is settled by IsWordCharacter through the case-insensitive comparison.
enum class CharClass : std::uint8_t { kOther, kWord, kOpen, kClose };

namespace internal {
struct CharClassTable {
  CharClass classes[128];
};
constexpr CharClassTable MakeCharClassTable() {
  CharClassTable table{};
  for (char c = '0'; c <= '9'; ++c) table.classes[c - '\0'] = CharClass::kWord;
  for (char c = 'A'; c <= 'Z'; ++c) table.classes[c - '\0'] = CharClass::kWord;
  for (char c = 'a'; c <= 'z'; ++c) table.classes[c - '\0'] = CharClass::kWord;
  table.classes[static_cast<unsigned char>('_')] = CharClass::kWord;
  table.classes[static_cast<unsigned char>('[')] = CharClass::kOpen;
  table.classes[static_cast<unsigned char>(']')] = CharClass::kClose;
  return table;
}
inline constexpr CharClassTable kCharClasses = MakeCharClassTable();
}  // namespace internal

constexpr CharClass ClassOf(char16_t c) {
  return c < 128 ? internal::kCharClasses.classes[c] : CharClass::kOther;
}

constexpr bool IsBracket(char16_t c) {
  const CharClass cls = ClassOf(c);
  return cls == CharClass::kOpen || cls == CharClass::kClose;
}

// True when c continues a reserved word: c lies in "0".."9", "a".."z" or
// "A".."Z" under the component's case-insensitive comparison, or equals "_".
// For ASCII that is exactly the kWord class; beyond it, a character counts
// when its case folding falls in those ranges (the Kelvin sign folds to "k").
bool IsWordCharacter(char16_t c);

// True when every unit of text is ASCII.
constexpr bool IsAscii(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c >= 128) return false;
  }
  return true;
}

// The component's case-insensitive equality, with an inline path for the
// ASCII keywords the scanners compare against all the time.
bool EqualsNoCaseFast(std::u16string_view text, std::u16string_view ascii_keyword);

}  // namespace pelt::language
