#include "language/text_scanner.h"

#include <gtest/gtest.h>

#include "support/dump.h"

namespace pelt::language {
namespace {

using testing::Dump;
using testing::SpanProblems;

TokenList Scan(std::u16string_view expression, std::size_t offset, std::size_t length) {
  std::vector<Token> out;
  ScanLiteralText(expression, offset, length, out);
  TokenList tokens;
  tokens.Append(std::move(out));
  return tokens;
}

TEST(TextScannerTest, SplitsTextAndReservedWords) {
  struct Row {
    int line;
    std::u16string_view text;
    std::string dump;
  };
  const Row rows[] = {
      {__LINE__, u"", ""},
      {__LINE__, u"$$", "Text{$$}"},
      {__LINE__, u"Cost $$", "Text{Cost } | Text{$$}"},
      {__LINE__, u"$$PAGE_NUMBER", "Word{PAGE_NUMBER}"},
      {__LINE__, u"$$A$$B", "Word{A} | Word{B}"},
      {__LINE__, u"$$A.", "Word{A} | Text{.}"},
      {__LINE__, u"$$$A", "Text{$$} | Text{$A}"},
      {__LINE__, u"$$$", "Text{$$} | Text{$}"},
      {__LINE__, u"$$$$", "Text{$$} | Text{$$}"},
      {__LINE__, u"$$DOTS", "Text{$$} | Text{DOTS}"},
      {__LINE__, u"a $$Dots b", "Text{a } | Text{$$} | Text{Dots b}"},
      {__LINE__, u"$$DOTS_2", "Word{DOTS_2}"},
      {__LINE__, u"$$TOTAL$$", "Word{TOTAL} | Text{$$}"},
      {__LINE__, u"$$_9", "Word{_9}"},
      {__LINE__, u"$$a`b", "Word{a} | Text{`b}"},  // between "Z" and "a": not a word character
      {__LINE__, u"<BOL>$$NAME</BOL>", "Text{<BOL>} | Word{NAME} | Text{</BOL>}"},
      // Beyond ASCII, a character continues a word when its case folding
      // lies in the ranges: the Kelvin sign folds to "k"; accented letters
      // sort after "z".
      {__LINE__, u"$$ROW\u00e9", "Word{ROW} | Text{\u00e9}"},
      {__LINE__, u"$$\u212a1", "Word{\u212a1}"},
      {__LINE__, u"$$DOT\u017f", "Text{$$} | Text{DOT\u017f}"},  // long s folds to "s"
      {__LINE__, u"$$\U0001F600", "Text{$$} | Text{\U0001F600}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const TokenList tokens = Scan(row.text, 0, row.text.size());
    EXPECT_EQ(Dump(tokens), row.dump);
    EXPECT_EQ(SpanProblems(row.text, tokens), "");
  }
}

TEST(TextScannerTest, StaysInsideItsStretch) {
  struct Row {
    int line;
    std::u16string_view expression;
    std::size_t offset;
    std::size_t length;
    std::string dump;
  };
  const Row rows[] = {
      {__LINE__, u"[A]x$$B[C]", 3, 4, "Text{x} | Word{B}"},
      {__LINE__, u"$$ABC", 0, 4, "Word{AB}"},    // the word ends with the stretch
      {__LINE__, u"ab$$CD", 0, 3, "Text{ab$}"},  // so does the search for "$$"
      {__LINE__, u"$$ABC", 1, 4, "Text{$ABC}"},
      {__LINE__, u"[A]$$", 3, 2, "Text{$$}"},
      {__LINE__, u"[A][B]", 3, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const TokenList tokens = Scan(row.expression, row.offset, row.length);
    EXPECT_EQ(Dump(tokens), row.dump);
    EXPECT_EQ(SpanProblems(row.expression, tokens), "");
    for (const Token& token : tokens) {
      EXPECT_GE(token.offset, row.offset);
      EXPECT_LE(token.offset + token.length, row.offset + row.length);
    }
  }
}

}  // namespace
}  // namespace pelt::language
