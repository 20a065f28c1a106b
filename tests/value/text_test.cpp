#include "pelt/value/text.h"

#include <gtest/gtest.h>

#include "support/dump.h"

namespace pelt::value {
namespace {

using testing::U8;

// Case mapping shows in the case-forcing pictures of
// tests/data/format/text.txt.
TEST(TextTest, ComparisonIgnoresCase) {
  struct Row {
    int line;
    std::u16string_view a;
    std::u16string_view b;
    int order;
  } rows[] = {
      {__LINE__, u"Field", u"FIELD", 0},
      {__LINE__, u"", u"", 0},
      {__LINE__, u"a", u"", 1},
      {__LINE__, u"", u"a", -1},
      {__LINE__, u"abc", u"abd", -1},
      {__LINE__, u"ABC", u"abd", -1},
      {__LINE__, u"Zürich", u"ZÜRICH", 0},
      {__LINE__, u"STRASSE", u"straße", 0},
      {__LINE__, u"ab", u"abc", -1},
      {__LINE__, u"[", u"]", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(CompareNoCase(row.a, row.b), row.order);
    EXPECT_EQ(CompareNoCase(row.b, row.a), -row.order);
    EXPECT_EQ(EqualsNoCase(row.a, row.b), row.order == 0);
  }
}

TEST(TextTest, FindsWithoutRegardToCase) {
  struct Row {
    int line;
    std::u16string_view haystack;
    std::u16string_view needle;
    std::size_t start;
    std::size_t found;
  } rows[] = {
      {__LINE__, u"Hello World", u"o", 1, 5},
      {__LINE__, u"Hello World", u"O", 6, 8},
      {__LINE__, u"Hello World", u"o", 9, 0},
      {__LINE__, u"Hello World", u"", 3, 3},
      {__LINE__, u"Hello World", u"WORLD", 1, 7},
      {__LINE__, u"abc", u"abcd", 1, 0},
      {__LINE__, u"abc", u"c", 4, 0},
      {__LINE__, u"ZÜRICH zürich", u"zürich", 2, 8},
      {__LINE__, u"", u"", 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(FindNoCase(row.haystack, row.needle, row.start), row.found);
  }
}

}  // namespace
}  // namespace pelt::value
