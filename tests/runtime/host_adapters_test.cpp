#include "pelt/runtime/served_objects.h"
#include "pelt/runtime/wrapped_objects.h"

#include <gtest/gtest.h>

#include "pelt/host/memory_table.h"
#include "support/dump.h"

namespace pelt::runtime {
namespace {

using host::FieldType;
using host::MemoryTable;
using host::Operation;
using testing::Dump;
using testing::U8;
using value::Variant;

MemoryTable Cities() {
  MemoryTable table({{u"NAME", FieldType::kString},
                     {u"POP", FieldType::kInteger},
                     {u"FOUNDED", FieldType::kDate},
                     {u"Shape", FieldType::kGeometry}});
  table.AddRow({Variant::FromText(u"Zürich"), Variant::FromLong(421878), Variant::FromDate({-25000.5})});
  table.AddRow({Variant::FromText(u"Łódź")});
  return table;
}

// Everything a caller learns from a table through the host interfaces, as
// one line: field names and codes, a few lookups, and each row's values.
std::string Describe(host::HostTable& table, std::vector<host::HostRow*> rows) {
  std::string out;
  host::HostFields* fields = nullptr;
  if (!table.FieldList(fields).ok()) return "FieldList failed";
  std::int32_t count = 0;
  if (!fields->FieldCount(count).ok()) return "FieldCount failed";
  for (std::int32_t i = 0; i < count; ++i) {
    host::HostField* field = nullptr;
    std::u16string name;
    FieldType type{};
    if (!fields->FieldAt(i, field).ok() || !field->FieldName(name).ok() ||
        !field->FieldTypeCode(type).ok()) {
      return out + "field failed";
    }
    out += U8(name) + ":" + std::to_string(static_cast<int>(type)) + " ";
  }
  for (std::u16string_view name : {u"name", u"POP", u"missing", u""}) {
    std::int32_t index = -2;
    if (!table.IndexOfField(name, index).ok()) return out + "IndexOfField failed";
    out += "[" + U8(name) + "]=" + std::to_string(index) + " ";
  }
  for (host::HostRow* row : rows) {
    out += "|";
    for (std::int32_t i = 0; i < count; ++i) {
      Variant v;
      if (!row->ValueAt(i, v).ok()) return out + "ValueAt failed";
      out += " " + Dump(v);
    }
  }
  return out;
}

TEST(HostAdaptersTest, ATableServedAcrossReadsAsTheTableItself) {
  MemoryTable table = Cities();
  table.RecordCalls(true);
  const std::string direct = Describe(table, {&table.Row(0), &table.Row(1)});
  const std::string direct_calls = U8(table.CallTrace());
  table.ClearCalls();

  RemoteHostTable remote(ServeHostTable(Borrow<host::HostTable>(table)));
  RemoteHostRow row0(ServeHostRow(Borrow<host::HostRow>(table.Row(0))));
  RemoteHostRow row1(ServeHostRow(Borrow<host::HostRow>(table.Row(1))));
  EXPECT_EQ(Describe(remote, {&row0, &row1}), direct);
  // The same host calls in the same order: the adapters add and drop none.
  EXPECT_EQ(U8(table.CallTrace()), direct_calls);
}

TEST(HostAdaptersTest, FieldsHandedOutStayValidAndAreReused) {
  MemoryTable table = Cities();
  RemoteHostTable remote(ServeHostTable(Borrow<host::HostTable>(table)));
  host::HostFields* first = nullptr;
  host::HostFields* second = nullptr;
  ASSERT_TRUE(remote.FieldList(first).ok());
  ASSERT_TRUE(remote.FieldList(second).ok());
  EXPECT_EQ(first, second);
  host::HostField* a = nullptr;
  host::HostField* b = nullptr;
  ASSERT_TRUE(first->FieldAt(1, a).ok());
  ASSERT_TRUE(first->FieldAt(1, b).ok());
  EXPECT_EQ(a, b);
}

TEST(HostAdaptersTest, HostFailuresArriveWithTheirOwnNumberSourceAndText) {
  struct Row {
    int line;
    Operation op;
  } rows[] = {
      {__LINE__, Operation::kFieldList},    {__LINE__, Operation::kIndexOfField},
      {__LINE__, Operation::kFieldCount},   {__LINE__, Operation::kFieldAt},
      {__LINE__, Operation::kFieldName},    {__LINE__, Operation::kFieldTypeCode},
      {__LINE__, Operation::kValueAt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    MemoryTable table = Cities();
    table.FailCall(row.op, 1, MemoryTable::InjectedFailure(row.op));
    RemoteHostTable remote(ServeHostTable(Borrow<host::HostTable>(table)));
    RemoteHostRow remote_row(ServeHostRow(Borrow<host::HostRow>(table.Row(0))));
    EXPECT_NE(Describe(remote, {&remote_row}).find("failed"), std::string::npos);

    // Repeat the failing call by itself to read its status.
    table.FailCall(row.op, 1, MemoryTable::InjectedFailure(row.op));
    RemoteHostTable fresh(ServeHostTable(Borrow<host::HostTable>(table)));
    errors::Status status;
    host::HostFields* fields = nullptr;
    host::HostField* field = nullptr;
    std::int32_t n = 0;
    std::u16string name;
    FieldType type{};
    Variant v;
    switch (row.op) {
      case Operation::kFieldList: status = fresh.FieldList(fields); break;
      case Operation::kIndexOfField: status = fresh.IndexOfField(u"POP", n); break;
      case Operation::kFieldCount:
        ASSERT_TRUE(fresh.FieldList(fields).ok());
        status = fields->FieldCount(n);
        break;
      case Operation::kFieldAt:
        ASSERT_TRUE(fresh.FieldList(fields).ok());
        status = fields->FieldAt(0, field);
        break;
      case Operation::kFieldName:
      case Operation::kFieldTypeCode:
        ASSERT_TRUE(fresh.FieldList(fields).ok());
        ASSERT_TRUE(fields->FieldAt(0, field).ok());
        status = row.op == Operation::kFieldName ? field->FieldName(name) : field->FieldTypeCode(type);
        break;
      case Operation::kValueAt: status = remote_row.ValueAt(0, v); break;
    }
    EXPECT_EQ(status, MemoryTable::InjectedFailure(row.op));
  }
}

TEST(HostAdaptersTest, ServedObjectsAnswerOnlyTheirOwnInterfaces) {
  MemoryTable table = Cities();
  Ref<HostTableObject> served = ServeHostTable(Borrow<host::HostTable>(table));
  struct Row {
    int line;
    InterfaceId id;
    bool offered;
  } rows[] = {
      {__LINE__, Object::kId, true},          {__LINE__, HostObject::kId, true},
      {__LINE__, HostTableObject::kId, true}, {__LINE__, HostRowObject::kId, false},
      {__LINE__, CollectionObject::kId, false}, {__LINE__, ClassFactory::kId, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    void* out = reinterpret_cast<void*>(1);
    const Result r = served->Query(row.id, &out);
    EXPECT_EQ(r, row.offered ? Result::kOk : Result::kNoInterface);
    EXPECT_EQ(out != nullptr, row.offered);
    if (out != nullptr) static_cast<Object*>(out)->Release();
  }
  EXPECT_EQ(served->Query(Object::kId, nullptr), Result::kInvalidPointer);
  ScopedExceptionRecord record;
  EXPECT_EQ(served->LastFailure(record.get()), Result::kFalse);  // nothing failed yet
}

TEST(HostAdaptersTest, CollectionsCopyItemsAndKeysInOrder) {
  auto original = std::make_shared<value::Collection>();
  ASSERT_EQ(original->Add(Variant::FromText(u"12"), u"PAGE_NUMBER"), value::ErrorCode::kNone);
  ASSERT_EQ(original->Add(Variant::FromLong(3)), value::ErrorCode::kNone);
  ASSERT_EQ(original->Add(Variant::Null(), u"Empty One"), value::ErrorCode::kNone);
  Ref<CollectionObject> served = ServeCollection(original);

  value::Collection copy;
  ASSERT_TRUE(CopyCollection(*served.get(), copy).ok());
  ASSERT_EQ(copy.Count(), 3);
  struct Row {
    int line;
    std::int32_t position;
    std::string item;
    std::optional<std::u16string> key;
  } rows[] = {
      {__LINE__, 1, "String:12", u"PAGE_NUMBER"},
      {__LINE__, 2, "Long:3", std::nullopt},
      {__LINE__, 3, "Null", u"Empty One"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Dump(*copy.ItemAt(row.position)), row.item);
    const std::u16string* key = copy.KeyAt(row.position);
    ASSERT_EQ(key != nullptr, row.key.has_value());
    if (key != nullptr) {
      EXPECT_EQ(*key, *row.key);
    }
  }
  ASSERT_NE(copy.ItemByKey(u"page_number"), nullptr);
}

TEST(HostAdaptersTest, CollectionFaultsAreResultsWithARecord) {
  auto original = std::make_shared<value::Collection>();
  ASSERT_EQ(original->Add(Variant::FromText(u"x"), u"KEY"), value::ErrorCode::kNone);
  Ref<CollectionObject> served = ServeCollection(original);
  ScopedVariant item;
  OwnedText key(u"key");
  EXPECT_EQ(served->ItemByKey(key.get(), &item.get()), Result::kOk);
  EXPECT_EQ(TextView(item->text), u"x");

  struct Row {
    int line;
    std::function<Result()> call;
    std::int32_t number;
  } rows[] = {
      {__LINE__, [&] { return served->ItemAt(0, &item.get()); }, 9},
      {__LINE__, [&] { return served->ItemAt(2, &item.get()); }, 9},
      {__LINE__, [&] { OwnedText k; return served->KeyAt(5, k.Put()); }, 9},
      {__LINE__, [&] { OwnedText k(u"nope"); return served->ItemByKey(k.get(), &item.get()); }, 5},
      {__LINE__, [&] { ScopedVariant v(MakeLongVariant(1)); return served->Add(&v.get(), key.get()); }, 457},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(row.call(), Result::kInvalidArgument);
    ScopedExceptionRecord record;
    ASSERT_EQ(served->LastFailure(record.get()), Result::kOk);
    EXPECT_EQ(record->number, row.number);
    EXPECT_EQ(TextView(record->source), u"Collection");
  }
  EXPECT_EQ(original->Count(), 1);
  EXPECT_EQ(served->ItemAt(1, nullptr), Result::kInvalidPointer);
}

TEST(HostAdaptersTest, NullTargetsServeNothing) {
  EXPECT_FALSE(ServeHostTable(nullptr));
  EXPECT_FALSE(ServeHostRow(nullptr));
  EXPECT_FALSE(ServeCollection(nullptr));
}

}  // namespace
}  // namespace pelt::runtime
