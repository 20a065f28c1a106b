// Host tables, rows and collections served across the boundary and wrapped
// back as C++ host interfaces: the round trip must be invisible to both the
// caller and the host.

#include <gtest/gtest.h>

#include "pelt/host/memory_table.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/runtime/wrapped_objects.h"
#include "support/dump.h"
#include "support/recording_table.h"

namespace pelt::runtime {
namespace {

using host::FieldType;
using host::MemoryTable;
using testing::Dump;
using testing::U8;
using value::Variant;

// Everything a caller learns from a table through the host interfaces, as
// one line that ends at the first failure: field names and codes, a few
// lookups, and each row's values.
std::string Describe(host::HostTable& table, std::vector<host::HostRow*> rows) {
  std::string out;
  const auto failed = [&](const char* call, const errors::Status& s) {
    return out + call + " failed: " + std::to_string(s.number()) + " " + U8(s.source()) + " " +
           U8(s.description());
  };
  host::HostFields* fields = nullptr;
  std::int32_t count = 0;
  if (errors::Status s = table.FieldList(fields); !s.ok()) return failed("FieldList", s);
  if (errors::Status s = fields->FieldCount(count); !s.ok()) return failed("FieldCount", s);
  for (std::int32_t i = 0; i < count; ++i) {
    host::HostField* field = nullptr;
    std::u16string name;
    FieldType type{};
    errors::Status s = fields->FieldAt(i, field);
    if (s.ok()) s = field->FieldName(name);
    if (s.ok()) s = field->FieldTypeCode(type);
    if (!s.ok()) return failed("field", s);
    out += U8(name) + ":" + std::to_string(static_cast<int>(type)) + " ";
  }
  for (std::u16string_view name : {u"name", u"POP", u"missing", u""}) {
    std::int32_t index = -2;
    if (errors::Status s = table.IndexOfField(name, index); !s.ok()) return failed("Index", s);
    out += "[" + U8(name) + "]=" + std::to_string(index) + " ";
  }
  for (host::HostRow* row : rows) {
    out += "|";
    for (std::int32_t i = 0; i < count; ++i) {
      Variant v;
      if (errors::Status s = row->ValueAt(i, v); !s.ok()) return failed("ValueAt", s);
      out += " " + Dump(v);
    }
  }
  return out;
}

MemoryTable Cities() {
  MemoryTable table({{u"NAME", FieldType::kString},
                     {u"POP", FieldType::kInteger},
                     {u"FOUNDED", FieldType::kDate},
                     {u"Shape", FieldType::kGeometry}});
  table.AddRow(
      {Variant::FromText(u"Zürich"), Variant::FromLong(421878), Variant::FromDate({-25000.5})});
  table.AddRow({Variant::FromText(u"Łódź")});
  return table;
}

TEST(HostObjectsTest, AServedTableReadsAsTheTableItselfEvenWhenACallFails) {
  // Fails no call, then each call in turn: the wrapped table must give what
  // the table itself gives, through the same host calls in the same order.
  for (std::int64_t failing = 0; failing <= 28; ++failing) {  // 27 calls in all
    SCOPED_TRACE(failing);
    std::string outcome[2];
    std::string calls[2];
    for (int remote : {0, 1}) {
      MemoryTable cities = Cities();
      testing::RecordingTable table(cities);
      if (failing > 0)
        table.FailCall(std::nullopt, failing, table.InjectedFailure(testing::Operation::kFieldAt));
      host::HostRow* rows[] = {&table.Row(cities.Row(0)), &table.Row(cities.Row(1))};
      if (remote == 0) {
        outcome[remote] = Describe(table, {rows[0], rows[1]});
      } else {
        RemoteHostTable wrapped(ServeHostTable(Borrow<host::HostTable>(table)));
        RemoteHostRow row0(ServeHostRow(Borrow<host::HostRow>(*rows[0])));
        RemoteHostRow row1(ServeHostRow(Borrow<host::HostRow>(*rows[1])));
        outcome[remote] = Describe(wrapped, {&row0, &row1});
      }
      calls[remote] = U8(table.CallTrace());
    }
    EXPECT_EQ(outcome[1], outcome[0]);
    EXPECT_EQ(calls[1], calls[0]);
  }
}

// Which interfaces a served object answers is seen through the server, which
// refuses a row passed as a table.
TEST(HostObjectsTest, ServedObjectsRefuseNullPointersAndWrappersAreReused) {
  MemoryTable table = Cities();
  Ref<HostTableObject> served = ServeHostTable(Borrow<host::HostTable>(table));
  EXPECT_EQ(served->Query(Object::kId, nullptr), Result::kInvalidPointer);
  ScopedExceptionRecord record;
  EXPECT_EQ(served->LastFailure(record.get()), Result::kFalse);  // nothing failed yet
  EXPECT_FALSE(ServeHostTable(nullptr) || ServeHostRow(nullptr) || ServeCollection(nullptr));

  // What a wrapper hands out stays valid and is handed out again.
  RemoteHostTable remote(served);
  host::HostFields* fields[2] = {};
  host::HostField* field[2] = {};
  for (int i : {0, 1}) {
    ASSERT_TRUE(remote.FieldList(fields[i]).ok());
    ASSERT_TRUE(fields[0]->FieldAt(1, field[i]).ok());
  }
  EXPECT_EQ(fields[0], fields[1]);
  EXPECT_EQ(field[0], field[1]);
}

// A collection served out and read back through the view over it: items in
// order, refusals as the view's own codes.
TEST(HostObjectsTest, CollectionsCrossBothWaysAndReportFaults) {
  auto original = std::make_shared<value::Collection>();
  ASSERT_EQ(original->Add(Variant::FromText(u"12"), u"PAGE_NUMBER"), value::ErrorCode::kNone);
  ASSERT_EQ(original->Add(Variant::FromLong(3)), value::ErrorCode::kNone);
  ASSERT_EQ(original->Add(Variant::Null(), u"Empty One"), value::ErrorCode::kNone);
  Ref<CollectionObject> served = ServeCollection(original);
  const RemoteCollection view(served);
  std::int32_t count = 0;
  ASSERT_EQ(view.CountItems(count), value::ErrorCode::kNone);
  std::string items;
  Variant read;
  for (std::int32_t position = 1; position <= count; ++position) {
    ASSERT_EQ(view.ReadItemAt(position, read), value::ErrorCode::kNone);
    items += Dump(read) + " ";
  }
  EXPECT_EQ(items, "String:12 Long:3 Null ");
  EXPECT_EQ(view.ReadItemByKey(u"empty ONE", read), value::ErrorCode::kNone);
  EXPECT_EQ(Dump(read), "Null");
  EXPECT_EQ(view.ReadItemAt(4, read), value::ErrorCode::kSubscriptOutOfRange);
  EXPECT_EQ(view.ReadItemByKey(u"nope", read), value::ErrorCode::kInvalidProcedureCall);

  ScopedVariant item;
  OwnedText key(u"page_number");
  EXPECT_EQ(served->ItemByKey(key.get(), &item.get()), Result::kOk);
  EXPECT_EQ(TextView(item->text), u"12");
  // Each fault is kInvalidArgument with the collection's error number.
  const auto refused = [&](int line, Result result, std::int32_t number) {
    SCOPED_TRACE(line);
    EXPECT_EQ(result, Result::kInvalidArgument);
    ScopedExceptionRecord record;
    ASSERT_EQ(served->LastFailure(record.get()), Result::kOk);
    EXPECT_EQ(record->number, number);
    EXPECT_EQ(TextView(record->source), u"Collection");
  };
  OwnedText none(u"nope");
  OwnedText out;
  ScopedVariant one(MakeLongVariant(1));
  refused(__LINE__, served->ItemAt(0, &item.get()), 9);
  refused(__LINE__, served->ItemAt(4, &item.get()), 9);
  refused(__LINE__, served->KeyAt(5, out.Put()), 9);
  refused(__LINE__, served->ItemByKey(none.get(), &item.get()), 5);
  refused(__LINE__, served->Add(&one.get(), key.get()), 457);  // the key is taken
  EXPECT_EQ(original->Count(), 3);
  EXPECT_EQ(served->ItemAt(1, nullptr), Result::kInvalidPointer);
}

}  // namespace
}  // namespace pelt::runtime
