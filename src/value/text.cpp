#include "pelt/value/text.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <stdexcept>

namespace pelt::value {
namespace {

const UChar* Data(std::u16string_view text) { return reinterpret_cast<const UChar*>(text.data()); }

int32_t Length(std::u16string_view text) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) throw std::length_error("text too long");
  return static_cast<int32_t>(text.size());
}

bool IsAscii(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

char16_t AsciiUpper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}
char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

// Runs an ICU "preflight and fill" string function: the first call reports the
// length needed, the second fills a buffer of that size.
template <class Call>
std::u16string CallIcuStringFunction(std::size_t guess, Call&& call) {
  std::u16string out(guess, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed =
      call(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    out.assign(static_cast<std::size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    needed = call(reinterpret_cast<UChar*>(out.data()), needed, &status);
  }
  if (U_FAILURE(status)) throw std::runtime_error(u_errorName(status));
  out.resize(static_cast<std::size_t>(needed));
  return out;
}

// Turkish (any locale id starting with t) maps i and I to dotted and dotless
// forms even in ASCII text, so ICU maps those.
bool AsciiRulesHold(std::u16string_view text, const char* locale) {
  return IsAscii(text) && (locale == nullptr || locale[0] != 't');
}

std::u16string MapAscii(std::u16string_view text, char16_t (*map)(char16_t)) {
  std::u16string out(text);
  for (char16_t& c : out) c = map(c);
  return out;
}

// Maps text into out in one pass while it is ASCII; false (out then
// unspecified) at the first unit that is not, or where the locale's rules
// differ from ASCII's.
bool MapAsciiInto(std::u16string_view text, const char* locale, char16_t (*map)(char16_t),
                  std::u16string& out) {
  if (locale != nullptr && locale[0] == 't') return false;
  out.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80) return false;
    out[i] = map(text[i]);
  }
  return true;
}

}  // namespace

std::u16string ToUpper(std::u16string_view text, const char* locale) {
  if (AsciiRulesHold(text, locale)) return MapAscii(text, AsciiUpper);
  return CallIcuStringFunction(text.size() + 8, [&](UChar* dest, int32_t cap, UErrorCode* st) {
    return u_strToUpper(dest, cap, Data(text), Length(text), locale, st);
  });
}

std::u16string ToLower(std::u16string_view text, const char* locale) {
  if (AsciiRulesHold(text, locale)) return MapAscii(text, AsciiLower);
  return CallIcuStringFunction(text.size() + 8, [&](UChar* dest, int32_t cap, UErrorCode* st) {
    return u_strToLower(dest, cap, Data(text), Length(text), locale, st);
  });
}

void MakeUpper(std::u16string& text, const char* locale) {
  if (!AsciiRulesHold(text, locale)) {
    text = ToUpper(text, locale);
    return;
  }
  for (char16_t& c : text) c = AsciiUpper(c);
}

void MakeLower(std::u16string& text, const char* locale) {
  if (!AsciiRulesHold(text, locale)) {
    text = ToLower(text, locale);
    return;
  }
  for (char16_t& c : text) c = AsciiLower(c);
}

void AssignUpper(std::u16string_view text, const char* locale, std::u16string& out) {
  if (!MapAsciiInto(text, locale, AsciiUpper, out)) out = ToUpper(text, locale);
}

void AssignLower(std::u16string_view text, const char* locale, std::u16string& out) {
  if (!MapAsciiInto(text, locale, AsciiLower, out)) out = ToLower(text, locale);
}

std::u16string CaseFold(std::u16string_view text) {
  if (IsAscii(text)) return MapAscii(text, AsciiLower);
  return CallIcuStringFunction(text.size() + 8, [&](UChar* dest, int32_t cap, UErrorCode* st) {
    return u_strFoldCase(dest, cap, Data(text), Length(text), U_FOLD_CASE_DEFAULT, st);
  });
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  // ASCII prefix first: it decides almost every comparison the component makes.
  const std::size_t n = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i < n; ++i) {
    const char16_t ca = a[i];
    const char16_t cb = b[i];
    if (ca >= 0x80 || cb >= 0x80) break;
    const char16_t la = AsciiLower(ca);
    const char16_t lb = AsciiLower(cb);
    if (la != lb) return la < lb ? -1 : 1;
  }
  if (i == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  UErrorCode status = U_ZERO_ERROR;
  const int result = u_strCaseCompare(Data(a.substr(i)), Length(a.substr(i)), Data(b.substr(i)),
                                      Length(b.substr(i)), U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) throw std::runtime_error(u_errorName(status));
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  // One pass over the ASCII prefix; ICU decides only from the first
  // non-ASCII character on. An all-ASCII mismatch in length is decisive,
  // since folding never turns a character into nothing.
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t ca = a[i];
    const char16_t cb = b[i];
    if ((ca | cb) >= 0x80) return CompareNoCase(a.substr(i), b.substr(i)) == 0;
    if (ca != cb && AsciiLower(ca) != AsciiLower(cb)) return false;
  }
  if (a.size() == b.size()) return true;
  const std::u16string_view rest = a.size() > n ? a.substr(n) : b.substr(n);
  return IsAscii(rest) ? false : CompareNoCase(a.substr(n), b.substr(n)) == 0;
}

std::size_t FindNoCase(std::u16string_view haystack, std::u16string_view needle,
                       std::size_t start) {
  if (start < 1) start = 1;
  if (start > haystack.size() + 1) return 0;
  if (needle.empty()) return start;
  if (IsAscii(needle) && IsAscii(haystack)) {
    const auto equal = [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); };
    const auto from = haystack.begin() + static_cast<std::ptrdiff_t>(start - 1);
    const auto it = std::search(from, haystack.end(), needle.begin(), needle.end(), equal);
    return it == haystack.end() ? 0 : static_cast<std::size_t>(it - haystack.begin()) + 1;
  }
  // Compare folded forms window by window: case folding can change lengths,
  // so each candidate is checked with the full case-insensitive comparison.
  for (std::size_t i = start - 1; i + needle.size() <= haystack.size(); ++i) {
    if (CompareNoCase(haystack.substr(i, needle.size()), needle) == 0) return i + 1;
  }
  return 0;
}

std::u16string FromUtf8(std::string_view utf8) {
  std::u16string out;
  AssignFromUtf8(utf8, out);
  return out;
}

void AssignFromUtf8(std::string_view utf8, std::u16string& out) {
  if (utf8.size() > static_cast<std::size_t>(INT32_MAX)) throw std::length_error("text too long");
  // Field values are mostly ASCII: widen them directly, ICU takes over from
  // the first other byte. UTF-16 never needs more units than UTF-8 bytes.
  out.resize(utf8.size());
  std::size_t i = 0;
  for (; i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80; ++i) {
    out[i] = static_cast<char16_t>(utf8[i]);
  }
  if (i == utf8.size()) return;
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data() + i),
                       static_cast<int32_t>(out.size() - i), &length, utf8.data() + i,
                       static_cast<int32_t>(utf8.size() - i), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) throw std::runtime_error(u_errorName(status));
  out.resize(i + static_cast<std::size_t>(length));
}

std::string ToUtf8(std::u16string_view utf16) {
  std::string out;
  AssignUtf8(utf16, out);
  return out;
}

void AppendUtf8(std::u16string_view utf16, std::string& out) {
  if (utf16.size() > static_cast<std::size_t>(INT32_MAX) / 3) {
    throw std::length_error("text too long");
  }
  // Labels are mostly ASCII: narrowed directly, ICU takes over from the first
  // other unit, which may need up to three bytes.
  const std::size_t start = out.size();
  std::size_t i = 0;
  while (i < utf16.size() && utf16[i] < 0x80) ++i;
  out.resize(start + (i == utf16.size() ? i : i + (utf16.size() - i) * 3));
  char* ascii = out.data() + start;
  for (std::size_t j = 0; j < i; ++j) ascii[j] = static_cast<char>(utf16[j]);
  if (i == utf16.size()) return;
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(ascii + i, static_cast<int32_t>(out.size() - start - i), &length,
                     Data(utf16.substr(i)), static_cast<int32_t>(utf16.size() - i), 0xFFFD, nullptr,
                     &status);
  if (U_FAILURE(status)) {
    out.resize(start);
    throw std::runtime_error(u_errorName(status));
  }
  out.resize(start + i + static_cast<std::size_t>(length));
}

void AssignUtf8(std::u16string_view utf16, std::string& out) {
  out.clear();
  AppendUtf8(utf16, out);
}

std::u16string FromAscii(std::string_view ascii) {
  std::u16string out;
  AppendAscii(out, ascii);
  return out;
}

void AppendAscii(std::u16string& out, std::string_view ascii) {
  out.reserve(out.size() + ascii.size());
  for (char c : ascii) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

}  // namespace pelt::value
