#include "pelt/adapters/gdal/layer_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pelt/adapters/gdal/source.h"
#include "pelt/value/text.h"
#include "support/dump.h"
#include "support/gdal_layers.h"
#include "support/golden_cases.h"
#include "support/temp_dir.h"

namespace pelt::gdal {
namespace {

using pelt::testing::Dump;
using pelt::testing::TempDir;
using pelt::testing::U8;
using testing::FeatureDef;
using testing::FieldDef;
using testing::LayerDef;

// "NAME:4|geom:7": every field's name and type code, read through the host
// interface the way the evaluator reads them.
std::string DumpFields(host::HostTable& table) {
  host::HostFields* fields = nullptr;
  if (!table.FieldList(fields).ok()) return "FieldList failed";
  std::int32_t count = 0;
  if (!fields->FieldCount(count).ok()) return "FieldCount failed";
  std::string dump;
  for (std::int32_t i = 0; i < count; ++i) {
    host::HostField* field = nullptr;
    std::u16string name;
    host::FieldType type{};
    if (!fields->FieldAt(i, field).ok() || !field->FieldName(name).ok() ||
        !field->FieldTypeCode(type).ok()) {
      return dump + "|field " + std::to_string(i) + " failed";
    }
    if (i > 0) dump += '|';
    dump += U8(name) + ':' + std::to_string(static_cast<int>(type));
  }
  return dump;
}

// The value of a field as "Long:42", or "error N" for a failing status.
std::string DumpValue(host::HostRow& row, std::int32_t index) {
  value::Variant value;
  const errors::Status status = row.ValueAt(index, value);
  return status.ok() ? Dump(value) : "error " + std::to_string(status.number());
}

// Every feature's id and values in field order, a line each: "7:Long:7|Null".
std::string DumpRows(LayerTable& table) {
  std::string dump;
  FeatureCursor cursor = table.Features();
  while (cursor.Next()) {
    dump += std::to_string(cursor.fid()) + ':';
    for (std::int32_t i = 0; i < table.FieldCount(); ++i) {
      dump += (i > 0 ? "|" : "") + DumpValue(cursor.row(), i);
    }
    dump += '\n';
  }
  return cursor.status().ok() ? dump : dump + "read failed";
}

std::unique_ptr<LayerTable> OpenOnly(const std::filesystem::path& path) {
  OpenError error;
  std::unique_ptr<LayerTable> table = OpenLayerTable(path.string(), LayerChoice(), error);
  EXPECT_NE(table, nullptr) << error.message;
  return table;
}

// Each format's fields and values, as layer_tables.cases has them.
TEST(LayerTableTest, ReadsEveryFormatThroughTheHostInterface) {
  const std::vector<FieldDef> plain_fields = {{"NAME", OFTString}, {"COUNT", OFTInteger}};
  const std::vector<FeatureDef> plain_features = {
      {{"c", "3"}, "POINT (8.54 47.37)"}, {{"a", "1"}, ""}, {{"b", "2"}, ""}};
  const auto plain = [&](const char* name, std::vector<std::string> options = {}) {
    return LayerDef{name, plain_fields, plain_features, wkbPoint, std::move(options)};
  };
  const LayerDef values{
      "values",
      {{"TEXT", OFTString},
       {"FLAG", OFTInteger, OFSTBoolean},
       {"SMALL", OFTInteger, OFSTInt16},
       {"WHOLE", OFTInteger},
       {"BIG", OFTInteger64},
       {"RATIO", OFTReal},
       {"RATIO32", OFTReal, OFSTFloat32},
       {"INFO", OFTString, OFSTJSON},
       {"DAY", OFTDate},
       {"STAMP", OFTDateTime},
       {"DATA", OFTBinary}},
      {{{"Zürich", "1", "32767", "2147483647", "2147483647", "0.5", "0.25", "{}", "2024-03-15",
         "2024-03-15 08:30:00", "\x89PNG"},
        "POINT (8.54 47.37)"},
       {{"Łódź", "0", "-32768", "-2147483648", "2147483648", "-1e300", "-2", std::nullopt,
         "1899-12-30", "1899-12-29 06:00:00", std::nullopt},
        ""},
       {{"", std::nullopt, std::nullopt, std::nullopt, "-2147483649", std::nullopt, std::nullopt,
         std::nullopt, "1800-01-01", "2024-03-15 12:00:00.500", std::nullopt},
        "POINT (0 0)"},
       {{std::nullopt, std::nullopt, std::nullopt, std::nullopt, "5000000000", std::nullopt,
         std::nullopt, std::nullopt, "0050-06-01", std::nullopt, std::nullopt},
        ""}},
      wkbPoint,
      {}};
  const std::string shapefile = gdal::testing::ShapefileDriver();
  const struct Row {
    std::string driver;
    const char* file;
    LayerDef layer;
  } rows[] = {
      {"GPKG", "plain.gpkg", plain("plain")},
      {"GPKG", "named.gpkg", plain("named", {"FID=OBJECTID", "GEOMETRY_NAME=SHAPE_AT"})},
      {shapefile, "plain.shp", plain("plain")},
      {"GeoJSON", "plain.geojson", plain("plain")},
      {"CSV", "plain.csv", plain("plain", {"GEOMETRY=AS_WKT", "CREATE_CSVT=YES"})},
      {"GPKG", "values.gpkg", values},
      {"CSV",
       "times.csv",
       {"times",
        {{"CLOCK", OFTTime}},
        {{{"18:00:00"}, ""}, {{"00:00:01.5"}, ""}},
        wkbNone,
        {"CREATE_CSVT=YES"}}},
      {"GeoJSON",
       "lists.geojson",
       {"lists",
        {{"INTS", OFTIntegerList}, {"REALS", OFTRealList}, {"WORDS", OFTStringList}},
        {{{"1,-2,3", "0.5,1e+20", "Kraków,São Paulo"}, ""}},
        wkbNone,
        {}}},
      {shapefile,
       "towns.shp",
       {"towns",
        {{"NAME", OFTString}, {"FOUNDED", OFTDate}},
        {{{"Reykjavík", "1786-08-18"}, "POINT (-21.9 64.1)"}},
        wkbPoint,
        {"ENCODING=UTF-8"}}},
  };
  TempDir dir;
  for (const Row& row : rows) {
    ASSERT_TRUE(testing::WriteDataset(row.driver, dir / row.file, {row.layer})) << row.file;
  }
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/adapters/gdal/layer_tables.cases", [&](const pelt::testing::GoldenCase& c) {
        const std::unique_ptr<LayerTable> table = OpenOnly(dir / c.input);
        if (table == nullptr) return std::string();
        const std::string features = DumpRows(*table);
        EXPECT_EQ(DumpRows(*table), features) << "a new cursor starts again from the first feature";
        EXPECT_EQ(table->FeatureCount(), std::count(features.begin(), features.end(), '\n'));
        return table->name() + "\n" + DumpFields(*table) + "\n" + features;
      });
}

// A small GeoPackage for the lookups, the field selection and the misuses.
class SmallLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::WriteDataset(
        "GPKG", dir_ / "few.gpkg",
        {LayerDef{"few",
                  {{"NAME", OFTString}, {"COUNT", OFTInteger}, {"Étage", OFTInteger}},
                  {{{"Łódź", "7", std::nullopt}, "POINT (1 2)"}, {{"b", "2", "1"}, ""}},
                  wkbPoint,
                  {}}}));
    table_ = OpenOnly(dir_ / "few.gpkg");
    ASSERT_NE(table_, nullptr);
  }

  TempDir dir_;
  std::unique_ptr<LayerTable> table_;
};

TEST_F(SmallLayerTest, FindsFieldsIgnoringCaseAndReadsOnlyThoseAsked) {
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/adapters/gdal/few_fields.cases", [&](const pelt::testing::GoldenCase& c) {
        std::istringstream words(c.input);
        std::string verb;
        words >> verb;
        if (verb == "index") {
          std::string name = c.input.substr(std::min(c.input.size(), verb.size() + 1));
          if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
            name = name.substr(1, name.size() - 2);
          }
          std::int32_t index = 99;
          EXPECT_TRUE(table_->IndexOfField(value::FromUtf8(name), index).ok());
          return std::to_string(index) + "\n";
        }
        std::vector<std::u16string> names;
        for (std::string name; words >> name;) names.push_back(value::FromUtf8(name));
        EXPECT_TRUE(table_->ReadOnlyFields(names).ok());
        const std::string dump = DumpRows(*table_);
        return dump.substr(0, dump.find('\n') + 1);
      });
}

TEST_F(SmallLayerTest, BadIndicesAndStaleCursorsFailWithoutCrashing) {
  LayerTable* table = table_.get();
  host::HostFields* fields = nullptr;
  ASSERT_TRUE(table->FieldList(fields).ok());
  const std::int32_t count = table->FieldCount();
  ASSERT_EQ(count, 5);

  FeatureCursor cursor = table->Features();
  // Before the first Next there is no feature to read.
  EXPECT_EQ(DumpValue(cursor.row(), 1), "error 5");
  ASSERT_TRUE(cursor.Next());

  struct Row {
    int line;
    std::int32_t index;
    const char* expected;
  };
  const Row rows[] = {
      {__LINE__, -1, "error 9"},        {__LINE__, count, "error 9"},
      {__LINE__, INT32_MIN, "error 9"}, {__LINE__, count - 3, "Long:7"},
      {__LINE__, 0, "Long:1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(DumpValue(cursor.row(), row.index), row.expected);
    host::HostField* field = nullptr;
    EXPECT_EQ(fields->FieldAt(row.index, field).ok(), row.index >= 0 && row.index < count);
  }

  // A second cursor takes over the layer's read position; the first one
  // stops instead of skipping features the second has read.
  FeatureCursor second = table->Features();
  EXPECT_FALSE(cursor.Next());
  EXPECT_FALSE(cursor.status().ok());
  EXPECT_EQ(DumpValue(cursor.row(), 0), "error 5");
  ASSERT_TRUE(second.Next());
  EXPECT_EQ(second.fid(), 1);
  ASSERT_TRUE(second.Next());
  EXPECT_FALSE(second.Next());
  EXPECT_TRUE(second.status().ok());
  EXPECT_FALSE(second.Next());

  FeatureCursor moved = std::move(second);
  EXPECT_FALSE(second.Next());  // NOLINT(bugprone-use-after-move): moved-from stays safe
  EXPECT_EQ(DumpValue(second.row(), 0), "error 5");
}

// A range the driver refuses to start ends the cursor at once with a status
// that says which range failed, not that the cursor reads no layer.
TEST(LayerTableTest, ARangeThatCannotStartTellsWhy) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteDataset(testing::ShapefileDriver(), dir / "plain.shp",
                                    {LayerDef{"plain", {{"NAME"}}, {{{"a"}, ""}}, wkbPoint, {}}}));
  const std::unique_ptr<LayerTable> table = OpenOnly(dir / "plain.shp");
  ASSERT_NE(table, nullptr);
  std::int64_t first = 0;
  std::int64_t last = 0;
  ASSERT_TRUE(table->FeatureIdBounds(first, last));
  FeatureCursor cursor = table->FeaturesWithIdsIn(-5, last);
  EXPECT_FALSE(cursor.Next());
  EXPECT_FALSE(cursor.status().ok());
  const std::string description = U8(cursor.status().description());
  EXPECT_EQ(description.rfind("Reading layer plain from feature -5 failed", 0), 0u) << description;
}

}  // namespace
}  // namespace pelt::gdal
