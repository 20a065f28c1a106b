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

std::string DumpOrNone(const Variant* item) { return item == nullptr ? "none" : Dump(*item); }

TEST(CollectionTest, KeysMatchWithoutRegardToCaseAndPositionsAreOneBased) {
  const Collection c = Sample();
  struct Row {
    int line;
    std::u16string_view key;
    const char* expected;
  } keys[] = {
      {__LINE__, u"PAGE_NUMBER", "String:Page 3"},
      {__LINE__, u"page_number", "String:Page 3"},
      {__LINE__, u"STRASSE", "String:ß"},  // full case folding
      {__LINE__, u"straße", "String:ß"},
      {__LINE__, u"PAGE_NUMBER ", "none"},
      {__LINE__, u"", "none"},
      {__LINE__, u"7", "none"},
  };
  for (const Row& row : keys) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(DumpOrNone(c.ItemByKey(row.key)), row.expected);
  }
  const char* by_position[] = {"none", "none", "String:Page 3", "Long:7", "String:ß", "none"};
  for (int position = -1; position <= 4; ++position) {
    EXPECT_EQ(DumpOrNone(c.ItemAt(position)), by_position[position + 1]) << position;
  }
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(*c.KeyAt(1), u"PAGE_NUMBER");
  EXPECT_EQ(*c.KeyAt(3), u"Straße");
  EXPECT_EQ(c.KeyAt(2), nullptr);
  EXPECT_EQ(c.KeyAt(4), nullptr);
}

TEST(CollectionTest, RemovingKeepsKeysPointingAtTheirItems) {
  Collection c = Sample();
  EXPECT_EQ(c.RemoveAt(1), ErrorCode::kNone);
  EXPECT_EQ(c.ItemByKey(u"PAGE_NUMBER"), nullptr);
  EXPECT_EQ(Dump(*c.ItemByKey(u"strasse")), "String:ß");
  EXPECT_EQ(Dump(*c.ItemAt(1)), "Long:7");
  EXPECT_EQ(c.RemoveAt(3), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(c.RemoveAt(0), ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(c.RemoveByKey(u"nope"), ErrorCode::kInvalidProcedureCall);
  EXPECT_EQ(c.RemoveByKey(u"STRASSE"), ErrorCode::kNone);
  EXPECT_EQ(c.Count(), 1);
  // A removed key can be used again.
  EXPECT_EQ(c.Add(Variant::FromLong(3), u"Page_Number"), ErrorCode::kNone);
  EXPECT_EQ(Dump(*c.ItemByKey(u"page_number")), "Long:3");
  c.Clear();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.ItemByKey(u"page_number"), nullptr);
}

}  // namespace
}  // namespace pelt::value
