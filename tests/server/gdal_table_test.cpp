// A GDAL layer handed to the server as a host table: the server's labels
// must be the evaluator's own for every feature of the bundled sample.

#include <gtest/gtest.h>

#include "pelt/adapters/gdal/source.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/value/text.h"
#include "server_fixture.h"

namespace pelt::server {
namespace {

using runtime::CollectionObject;
using runtime::HostRowObject;
using runtime::HostTableObject;
using runtime::OwnedText;
using runtime::Ref;
using runtime::Result;

std::unique_ptr<gdal::LayerTable> OpenSample() {
  gdal::OpenError error;
  auto table = gdal::OpenLayerTable(PELT_SAMPLE_GPKG, gdal::LayerChoice(), error);
  EXPECT_TRUE(table) << error.message;
  return table;
}

// "[A] / [B]" for the first two fields that labels may use.
std::u16string ExpressionOverFirstFields(host::HostTable& table) {
  host::HostFields* fields = nullptr;
  std::int32_t count = 0;
  if (!table.FieldList(fields).ok() || !fields->FieldCount(count).ok()) return u"";
  std::vector<std::u16string> names;
  for (std::int32_t i = 0; i < count && names.size() < 2; ++i) {
    host::HostField* field = nullptr;
    std::u16string name;
    host::FieldType type{};
    if (fields->FieldAt(i, field).ok() && field->FieldName(name).ok() && field->FieldTypeCode(type).ok() &&
        !host::IsRefusedFieldType(type)) {
      names.push_back(name);
    }
  }
  if (names.size() < 2) return u"";
  return u"[" + names[0] + u"] / [" + names[1] + u"].UCase";
}

using GdalTableTest = testing::ServerTest;

TEST_F(GdalTableTest, LabelsEveryFeatureAsTheEvaluatorDoes) {
  std::unique_ptr<gdal::LayerTable> table = OpenSample();
  ASSERT_TRUE(table);
  const std::u16string expression = ExpressionOverFirstFields(*table);
  ASSERT_FALSE(expression.empty());

  evaluator::PeltExpressionEvaluator direct;
  std::vector<std::u16string> expected;
  ASSERT_EQ(direct.VerifyExpression(table.get(), expression), evaluator::kTrue) << value::ToUtf8(direct.Message());
  for (gdal::FeatureCursor cursor = table->Features(); cursor.Next();) {
    expected.push_back(direct.MakeLabel(table.get(), &cursor.row(), expression, nullptr));
  }
  ASSERT_FALSE(expected.empty());

  Ref<_PeltExpressionEvaluator> object = CreateEvaluator();
  ASSERT_TRUE(object);
  Ref<HostTableObject> served = runtime::ServeHostTable(runtime::Borrow<host::HostTable>(*table));
  HostTableObject* table_variable = served.get();
  CollectionObject* no_values = nullptr;
  OwnedText text(expression);
  runtime::Text expression_variable = text.get();
  runtime::Boolean verdict = 0;
  ASSERT_EQ(object->VerifyExpression(&table_variable, &expression_variable, &verdict), Result::kOk);
  EXPECT_EQ(verdict, runtime::kTrue);
  std::size_t i = 0;
  for (gdal::FeatureCursor cursor = table->Features(); cursor.Next(); ++i) {
    SCOPED_TRACE(i);
    Ref<HostRowObject> row = runtime::ServeHostRow(runtime::Borrow<host::HostRow>(cursor.row()));
    HostRowObject* row_variable = row.get();
    OwnedText label;
    ASSERT_EQ(object->MakeLabel(&table_variable, &row_variable, &expression_variable, &no_values, label.Put()),
              Result::kOk);
    ASSERT_LT(i, expected.size());
    EXPECT_EQ(label.view(), expected[i]);
  }
  EXPECT_EQ(i, expected.size());
}

}  // namespace
}  // namespace pelt::server
