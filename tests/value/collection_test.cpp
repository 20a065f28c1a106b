#include "pelt/value/collection.h"

#include <gtest/gtest.h>

#include "support/dump.h"

namespace pelt::value {
namespace {

using testing::Dump;

Collection Sample() {
  Collection c;
  EXPECT_EQ(c.Add(Variant::FromText(u"Page 3"), u"PAGE_NUMBER"), ErrorCode::kNone);
  EXPECT_EQ(c.Add(Variant::FromLong(7)), ErrorCode::kNone);
  EXPECT_EQ(c.Add(Variant::FromText(u"ß"), u"Straße"), ErrorCode::kNone);
  return c;
}

TEST(CollectionTest, KeysMatchWithoutRegardToCase) {
  const Collection c = Sample();
  struct Row {
    int line;
    std::u16string_view key;
    const char* expected;  // nullptr: no item
  } rows[] = {
      {__LINE__, u"PAGE_NUMBER", "String:Page 3"},
      {__LINE__, u"page_number", "String:Page 3"},
      {__LINE__, u"Page_Number", "String:Page 3"},
      {__LINE__, u"STRASSE", "String:ß"},  // full case folding
      {__LINE__, u"straße", "String:ß"},
      {__LINE__, u"PAGE_NUMBER ", nullptr},
      {__LINE__, u"", nullptr},
      {__LINE__, u"7", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Variant* item = c.ItemByKey(row.key);
    if (row.expected == nullptr) {
      EXPECT_EQ(item, nullptr);
    } else {
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(Dump(*item), row.expected);
    }
  }
}

TEST(CollectionTest, PositionsAreOneBasedAndChecked) {
  const Collection c = Sample();
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(c.ItemAt(0), nullptr);
  EXPECT_EQ(c.ItemAt(4), nullptr);
  EXPECT_EQ(c.ItemAt(-1), nullptr);
  EXPECT_EQ(Dump(*c.ItemAt(1)), "String:Page 3");
  EXPECT_EQ(Dump(*c.ItemAt(2)), "Long:7");
  EXPECT_EQ(*c.KeyAt(1), u"PAGE_NUMBER");
  EXPECT_EQ(c.KeyAt(2), nullptr);
}

TEST(CollectionTest, DuplicateKeyDifferingOnlyInCaseIsRefused) {
  Collection c = Sample();
  EXPECT_EQ(c.Add(Variant::FromLong(1), u"page_NUMBER"), ErrorCode::kKeyAlreadyAssociated);
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(Dump(*c.ItemByKey(u"PAGE_NUMBER")), "String:Page 3");
}

TEST(CollectionTest, RemovingKeepsKeysPointingAtTheirItems) {
  Collection c = Sample();
  EXPECT_EQ(c.RemoveAt(1), ErrorCode::kNone);
  EXPECT_EQ(c.ItemByKey(u"PAGE_NUMBER"), nullptr);
  EXPECT_EQ(Dump(*c.ItemByKey(u"strasse")), "String:ß");
  EXPECT_EQ(Dump(*c.ItemAt(1)), "Long:7");
  EXPECT_EQ(c.RemoveAt(3), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(c.RemoveByKey(u"nope"), ErrorCode::kInvalidProcedureCall);
  EXPECT_EQ(c.RemoveByKey(u"STRASSE"), ErrorCode::kNone);
  EXPECT_EQ(c.Count(), 1);
  // A removed key can be used again.
  EXPECT_EQ(c.Add(Variant::FromLong(3), u"Page_Number"), ErrorCode::kNone);
  EXPECT_EQ(Dump(*c.ItemByKey(u"page_number")), "Long:3");
}

}  // namespace
}  // namespace pelt::value
