#include "picture_tokens.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace pelt::format::internal {
namespace {

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

}  // namespace

bool MatchesNoCase(std::u16string_view text, std::size_t at, std::u16string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (LowerAscii(text[at + i]) != lower[i]) return false;
  }
  return true;
}

namespace {

std::size_t RunLength(std::u16string_view text, std::size_t at, char16_t lower) {
  std::size_t n = 0;
  while (at + n < text.size() && LowerAscii(text[at + n]) == lower) ++n;
  return n;
}

// The date and time letters: for each length of a run of the letter, the
// field it stands for. A longer run is read as the longest length that has a
// field, and the rest of the run starts the next token (yyy is yy then y).
struct DateLetter {
  char16_t letter;  // lower case
  std::array<std::optional<DateField>, 6> by_length;
};

constexpr DateLetter kDateLetters[] = {
    {u'c', {DateField::kGeneralDate}},
    {u'd',
     {DateField::kDay, DateField::kDay2, DateField::kDayAbbreviation, DateField::kDayName,
      DateField::kShortDate, DateField::kLongDate}},
    {u'w', {DateField::kWeekday, DateField::kWeekOfYear}},
    {u'm',
     {DateField::kMonth, DateField::kMonth2, DateField::kMonthAbbreviation, DateField::kMonthName}},
    {u'q', {DateField::kQuarter}},
    {u'y', {DateField::kDayOfYear, DateField::kYear2, std::nullopt, DateField::kYear4}},
    {u'h', {DateField::kHour, DateField::kHour2}},
    {u'n', {DateField::kMinute, DateField::kMinute2}},
    {u's', {DateField::kSecond, DateField::kSecond2}},
    {u't', {std::nullopt, std::nullopt, std::nullopt, std::nullopt, DateField::kLongTime}},
};

// The day-half tokens, longest first where one begins another.
constexpr struct {
  std::u16string_view lower;
  Raw kind;
  std::size_t half;  // the length of each half of a literal pair
} kDayHalves[] = {
    {u"am/pm", Raw::kAmPm, 2},
    {u"a/p", Raw::kAmPm, 1},
    {u"ampm", Raw::kAmPmLocale, 0},
};

// letters := d{1,6} | w{1,2} | m{1,4} | q | y | yy | yyyy | h{1,2} | n{1,2} | s{1,2}
//          | c | ttttt | AM/PM | A/P | AMPM   (any case)
// Returns the length consumed; 0 when the letter starts no date token.
std::size_t ScanDateLetters(std::u16string_view s, std::size_t i, RawToken& token) {
  for (const auto& day_half : kDayHalves) {
    if (MatchesNoCase(s, i, day_half.lower)) {
      token.kind = day_half.kind;
      token.half = day_half.half;
      return day_half.lower.size();
    }
  }
  const char16_t c = LowerAscii(s[i]);
  for (const DateLetter& letter : kDateLetters) {
    if (letter.letter != c) continue;
    const std::size_t run = RunLength(s, i, c);
    for (std::size_t n = std::min(run, letter.by_length.size()); n > 0; --n) {
      if (const std::optional<DateField> field = letter.by_length[n - 1]) {
        token.kind = Raw::kDate;
        token.field = *field;
        return n;
      }
    }
  }
  return 0;
}

// Characters that are a token on their own.
constexpr std::pair<char16_t, Raw> kSingleCharacterTokens[] = {
    {u'0', Raw::kZero},    {u'#', Raw::kHash}, {u'.', Raw::kPoint},     {u',', Raw::kComma},
    {u'%', Raw::kPercent}, {u'@', Raw::kAt},   {u'&', Raw::kAmpersand}, {u'<', Raw::kLower},
    {u'>', Raw::kUpper},   {u'!', Raw::kBang}, {u'/', Raw::kSlash},     {u':', Raw::kColon},
};

const Raw* SingleCharacterToken(char16_t c) {
  for (const auto& [character, kind] : kSingleCharacterTokens) {
    if (character == c) return &kind;
  }
  return nullptr;
}

}  // namespace

// section := ( '"' text '"' | '\' char | placeholder | letters | char )*
std::vector<RawToken> Tokenize(std::u16string_view s) {
  std::vector<RawToken> tokens;
  std::size_t i = 0;
  const auto push = [&](Raw kind, std::size_t begin, std::size_t end) {
    RawToken t;
    t.kind = kind;
    t.begin = begin;
    t.end = end;
    tokens.push_back(t);
  };
  while (i < s.size()) {
    const char16_t c = s[i];
    switch (c) {
      case u'"': {
        std::size_t close = s.find(u'"', i + 1);
        if (close == std::u16string_view::npos) close = s.size();
        push(Raw::kLiteral, i + 1, close);
        i = close + 1;
        continue;
      }
      case u'\\':
        if (i + 1 < s.size()) push(Raw::kLiteral, i + 1, i + 2);
        i += 2;
        continue;
      case u'E':
      case u'e':
        if (i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
          push(Raw::kExponent, i, i + 2);
          tokens.back().plus = s[i + 1] == u'+';
          i += 2;
          continue;
        }
        push(Raw::kLiteral, i, i + 1);
        break;
      default: {
        if (const Raw* kind = SingleCharacterToken(c)) {
          push(*kind, i, i + 1);
          break;
        }
        RawToken token;
        const std::size_t n = ScanDateLetters(s, i, token);
        if (n == 0) {
          push(Raw::kLiteral, i, i + 1);
          break;
        }
        token.begin = i;
        token.end = i + n;
        tokens.push_back(token);
        i += n;
        continue;
      }
    }
    ++i;
  }
  return tokens;
}

std::vector<std::u16string> TokenSpellings() {
  // The quote, the escape and the exponents, which Tokenize reads itself.
  std::vector<std::u16string> spellings{u"\"", u"\\", u"e+", u"e-"};
  for (const auto& token : kSingleCharacterTokens) spellings.emplace_back(1, token.first);
  for (const auto& day_half : kDayHalves) spellings.emplace_back(day_half.lower);
  for (const DateLetter& letter : kDateLetters) {
    for (std::size_t n = 1; n <= letter.by_length.size(); ++n) {
      if (letter.by_length[n - 1]) spellings.emplace_back(n, letter.letter);
    }
  }
  return spellings;
}

}  // namespace pelt::format::internal
