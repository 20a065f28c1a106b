#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace pelt::value {

// Wide text is UTF-16; positions that users see are 1-based and count UTF-16
// units. These helpers go through ICU for everything beyond ASCII and take a
// fast path for ASCII, which is what most field names and keywords are.

// Full Unicode case mapping in the given ICU locale ("" for the root locale).
// The result may be longer than the input (German sharp s upper-cases to "SS").
std::u16string ToUpper(std::u16string_view text, const char* locale = "");
std::u16string ToLower(std::u16string_view text, const char* locale = "");
// The same in place: no allocation where ASCII rules hold.
void MakeUpper(std::u16string& text, const char* locale = "");
void MakeLower(std::u16string& text, const char* locale = "");
// The same into out (not text itself), keeping out's storage: a value made
// row after row from another stops allocating once grown.
void AssignUpper(std::u16string_view text, const char* locale, std::u16string& out);
void AssignLower(std::u16string_view text, const char* locale, std::u16string& out);

// Default full case folding: the form under which case-insensitive keys are
// compared and stored.
std::u16string CaseFold(std::u16string_view text);

// Case-insensitive comparison by default case folding: negative, zero or
// positive as a sorts before, equal to or after b.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
// The same units: what == says, compared as bytes in one go, where == on
// UTF-16 walks unit by unit (a text checked again with every label).
inline bool SameUnits(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}

// The 1-based position of the first case-insensitive occurrence of needle at
// or after the 1-based position start, or 0. An empty needle is found at start.
std::size_t FindNoCase(std::u16string_view haystack, std::u16string_view needle,
                       std::size_t start = 1);

// UTF-8 <-> UTF-16. Ill-formed input never fails: each bad sequence becomes
// U+FFFD, so data from files cannot stop a label from being made.
std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view utf16);
// The same into out, whose storage is reused: no allocation once it is large
// enough, as when one buffer takes a label per feature.
void AssignUtf8(std::u16string_view utf16, std::string& out);
void AppendUtf8(std::u16string_view utf16, std::string& out);
void AssignFromUtf8(std::string_view utf8, std::u16string& out);

// ASCII-only helpers for literals in code: u"abc" is fine too, these are for
// char buffers produced by std::to_chars and the like.
std::u16string FromAscii(std::string_view ascii);
void AppendAscii(std::u16string& out, std::string_view ascii);

}  // namespace pelt::value
