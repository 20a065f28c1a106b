#include "pelt/host/memory_table.h"

#include <gtest/gtest.h>

#include "support/dump.h"
#include "support/recording_table.h"

namespace pelt::host {
namespace {

using testing::Dump;
using testing::U8;
using value::Variant;

MemoryTable Cities() {
  MemoryTable table({{u"NAME", FieldType::kString},
                     {u"POP", FieldType::kInteger},
                     {u"Shape", FieldType::kGeometry}});
  table.AddRow({Variant::FromText(u"Zürich"), Variant::FromLong(421878)});
  table.AddRow({Variant::FromText(u"Łódź")});
  return table;
}

// Binds a field the way verification does: index, field list, field, type.
Status Bind(HostTable& table, std::u16string_view name, FieldType& type) {
  std::int32_t index = -1;
  if (Status s = table.IndexOfField(name, index); !s.ok()) return s;
  HostFields* fields = nullptr;
  if (Status s = table.FieldList(fields); !s.ok()) return s;
  HostField* field = nullptr;
  if (Status s = fields->FieldAt(index, field); !s.ok()) return s;
  return field->FieldTypeCode(type);
}

// The row's value at the index, or "fails".
std::string ValueAt(HostRow& row, std::int32_t index) {
  Variant v;
  return row.ValueAt(index, v).ok() ? Dump(v) : "fails";
}

// The table seen through the recorder, which passes every call on.
TEST(MemoryTableTest, ServesFieldsAndRowsAndRecordsCallsInOrder) {
  MemoryTable cities = Cities();
  testing::RecordingTable table(cities);
  FieldType type{};
  ASSERT_TRUE(Bind(table, u"pop", type).ok());
  EXPECT_EQ(type, FieldType::kInteger);
  std::int32_t index = 0;
  ASSERT_TRUE(table.IndexOfField(u"MISSING", index).ok());
  EXPECT_EQ(index, -1);
  HostFields* fields = nullptr;
  ASSERT_TRUE(table.FieldList(fields).ok());
  std::int32_t count = 0;
  ASSERT_TRUE(fields->FieldCount(count).ok());
  EXPECT_EQ(count, 3);
  HostField* field = nullptr;
  ASSERT_TRUE(fields->FieldAt(2, field).ok());
  std::u16string name;
  ASSERT_TRUE(field->FieldName(name).ok());
  EXPECT_EQ(name, u"Shape");
  EXPECT_FALSE(fields->FieldAt(3, field).ok());
  EXPECT_FALSE(fields->FieldAt(-1, field).ok());
  EXPECT_EQ(ValueAt(table.Row(cities.Row(0)), 0), "String:Zürich");
  EXPECT_EQ(ValueAt(table.Row(cities.Row(1)), 1), "Null");  // a missing value is null
  EXPECT_EQ(ValueAt(table.Row(cities.Row(1)), 3), "fails");
  EXPECT_EQ(U8(table.CallTrace()),
            "IndexOfField(pop) FieldList FieldAt(1) FieldTypeCode(POP) IndexOfField(MISSING) "
            "FieldList FieldCount FieldAt(2) FieldName(Shape) FieldAt(3) FieldAt(-1) ValueAt(0) "
            "ValueAt(1) ValueAt(3)");
  table.ClearCalls();
  EXPECT_EQ(table.CallTrace(), u"");
}

}  // namespace
}  // namespace pelt::host
