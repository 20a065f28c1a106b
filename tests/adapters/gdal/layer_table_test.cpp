#include "pelt/adapters/gdal/layer_table.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "adapters/gdal/test_layers.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/value/text.h"
#include "support/dump.h"
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

std::unique_ptr<LayerTable> OpenOnly(const std::filesystem::path& path) {
  OpenError error;
  std::unique_ptr<LayerTable> table = OpenLayerTable(path.string(), LayerChoice(), error);
  EXPECT_NE(table, nullptr) << error.message;
  return table;
}

// The same two attributes in every format; the formats differ in their
// feature-id column and in whether the geometry column has a name.
const std::vector<FieldDef> kPlainFields = {{"NAME", OFTString}, {"COUNT", OFTInteger}};
const std::vector<FeatureDef> kPlainFeatures = {{{"Zürich", "1"}, "POINT (8.54 47.37)"}};

TEST(LayerTableTest, FieldsPutTheIdFirstAndTheGeometryLast) {
  struct Row {
    int line;
    const char* driver;
    const char* file;
    std::vector<std::string> options;
    const char* expected;
  };
  const Row rows[] = {
      {__LINE__, "GPKG", "plain.gpkg", {}, "fid:6|NAME:4|COUNT:1|geom:7"},
      {__LINE__, "GPKG", "named.gpkg", {"FID=OBJECTID", "GEOMETRY_NAME=SHAPE_AT"},
       "OBJECTID:6|NAME:4|COUNT:1|SHAPE_AT:7"},
      {__LINE__, gdal::testing::ShapefileDriver().c_str(), "plain.shp", {}, "NAME:4|COUNT:1|Shape:7"},
      {__LINE__, "GeoJSON", "plain.geojson", {}, "NAME:4|COUNT:1|Shape:7"},
      {__LINE__, "CSV", "plain.csv", {"GEOMETRY=AS_WKT", "CREATE_CSVT=YES"},
       "WKT:4|NAME:4|COUNT:1|geom_WKT:7"},  // GDAL names the geometry read from WKT
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::filesystem::path path = dir / row.file;
    const std::string layer_name = path.stem().string();
    const LayerDef layer{layer_name, kPlainFields, kPlainFeatures, wkbPoint, row.options};
    ASSERT_TRUE(testing::WriteDataset(row.driver, path, {layer}));
    const std::unique_ptr<LayerTable> table = OpenOnly(path);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(DumpFields(*table), row.expected);
    EXPECT_EQ(table->name(), layer_name);
  }
}

TEST(LayerTableTest, TypeCodesFollowTheStoredTypes) {
  TempDir dir;
  const std::vector<FieldDef> fields = {
      {"FLAG", OFTInteger, OFSTBoolean},   {"SMALL", OFTInteger, OFSTInt16},
      {"WHOLE", OFTInteger},               {"BIG", OFTInteger64},
      {"RATIO32", OFTReal, OFSTFloat32},   {"RATIO", OFTReal},
      {"LABEL", OFTString},                {"INFO", OFTString, OFSTJSON},
      {"DAY", OFTDate},                    {"STAMP", OFTDateTime},
      {"DATA", OFTBinary},
  };
  ASSERT_TRUE(testing::WriteDataset("GPKG", dir / "types.gpkg",
                                    {LayerDef{"types", fields, {}, wkbNone, {}}}));
  const std::unique_ptr<LayerTable> table = OpenOnly(dir / "types.gpkg");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(DumpFields(*table),
            "fid:6|FLAG:0|SMALL:0|WHOLE:1|BIG:1|RATIO32:2|RATIO:3|LABEL:4|INFO:4|DAY:5|STAMP:5|"
            "DATA:8");
}

TEST(LayerTableTest, IndexOfFieldIgnoresCase) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteDataset(
      "GPKG", dir / "names.gpkg",
      {LayerDef{"names", {{"NAME", OFTString}, {"Étage", OFTInteger}}, {}, wkbPoint, {}}}));
  const std::unique_ptr<LayerTable> table = OpenOnly(dir / "names.gpkg");
  ASSERT_NE(table, nullptr);

  struct Row {
    int line;
    std::u16string name;
    std::int32_t expected;
  };
  const Row rows[] = {
      {__LINE__, u"fid", 0},    {__LINE__, u"FID", 0},     {__LINE__, u"name", 1},
      {__LINE__, u"Name", 1},   {__LINE__, u"ÉTAGE", 2},   {__LINE__, u"étage", 2},
      {__LINE__, u"GEOM", 3},   {__LINE__, u"Shape", -1},  {__LINE__, u"NAM", -1},
      {__LINE__, u"NAME ", -1}, {__LINE__, u"", -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::int32_t index = 99;
    ASSERT_TRUE(table->IndexOfField(row.name, index).ok());
    EXPECT_EQ(index, row.expected);
  }
}

TEST(LayerTableTest, ValuesReadAsVariants) {
  TempDir dir;
  const std::vector<FieldDef> fields = {
      {"TEXT", OFTString},   {"FLAG", OFTInteger, OFSTBoolean},  {"SMALL", OFTInteger, OFSTInt16},
      {"WHOLE", OFTInteger}, {"BIG", OFTInteger64},              {"RATIO", OFTReal},
      {"RATIO32", OFTReal, OFSTFloat32}, {"DAY", OFTDate},       {"STAMP", OFTDateTime},
      {"DATA", OFTBinary},
  };
  const std::vector<FeatureDef> features = {
      {{"Zürich", "1", "32767", "2147483647", "2147483647", "0.5", "0.25", "2024-03-15",
        "2024-03-15 08:30:00", "\x89PNG"},
       "POINT (8.54 47.37)"},
      {{"Łódź", "0", "-32768", "-2147483648", "2147483648", "-1e300", "-2", "1899-12-30",
        "1899-12-29 06:00:00", std::nullopt},
       ""},
      {{"", std::nullopt, std::nullopt, std::nullopt, "-2147483649", std::nullopt, std::nullopt,
        "1800-01-01", "2024-03-15 12:00:00.500", std::nullopt},
       "POINT (0 0)"},
      {{std::nullopt, std::nullopt, std::nullopt, std::nullopt, "5000000000", std::nullopt,
        std::nullopt, "0050-06-01", std::nullopt, std::nullopt},
       ""},
  };
  ASSERT_TRUE(testing::WriteDataset("GPKG", dir / "values.gpkg",
                                    {LayerDef{"values", fields, features, wkbPoint, {}}}));
  const std::unique_ptr<LayerTable> table = OpenOnly(dir / "values.gpkg");
  ASSERT_NE(table, nullptr);
  std::vector<std::vector<std::string>> dumps;  // per feature, per field
  FeatureCursor cursor = table->Features();
  while (cursor.Next()) {
    std::vector<std::string>& values = dumps.emplace_back();
    for (std::int32_t i = 0; i < table->FieldCount(); ++i) {
      values.push_back(DumpValue(cursor.row(), i));
    }
  }
  ASSERT_TRUE(cursor.status().ok());
  ASSERT_EQ(dumps.size(), 4U);

  struct Row {
    int line;
    std::size_t feature;  // 0-based
    const char* field;
    const char* expected;
  };
  const Row rows[] = {
      {__LINE__, 0, "fid", "Long:1"},
      {__LINE__, 3, "fid", "Long:4"},
      {__LINE__, 0, "TEXT", "String:Zürich"},
      {__LINE__, 1, "TEXT", "String:Łódź"},
      {__LINE__, 2, "TEXT", "String:"},
      {__LINE__, 3, "TEXT", "Null"},
      {__LINE__, 0, "FLAG", "Boolean:True"},
      {__LINE__, 1, "FLAG", "Boolean:False"},
      {__LINE__, 2, "FLAG", "Null"},
      {__LINE__, 0, "SMALL", "Integer:32767"},
      {__LINE__, 1, "SMALL", "Integer:-32768"},
      {__LINE__, 0, "WHOLE", "Long:2147483647"},
      {__LINE__, 1, "WHOLE", "Long:-2147483648"},
      {__LINE__, 2, "WHOLE", "Null"},
      // 64-bit integers beyond the 32-bit range keep their value as Double.
      {__LINE__, 0, "BIG", "Long:2147483647"},
      {__LINE__, 1, "BIG", "Double:2147483648"},
      {__LINE__, 2, "BIG", "Double:-2147483649"},
      {__LINE__, 3, "BIG", "Double:5000000000"},
      {__LINE__, 0, "RATIO", "Double:0.5"},
      {__LINE__, 1, "RATIO", "Double:-1.0000000000000001e+300"},
      {__LINE__, 0, "RATIO32", "Double:0.25"},
      {__LINE__, 1, "RATIO32", "Double:-2"},
      {__LINE__, 0, "DAY", "Date:45366"},
      {__LINE__, 1, "DAY", "Date:0"},
      {__LINE__, 2, "DAY", "Date:-36522"},
      // Year 50 has no serial: the date comes as text rather than failing.
      {__LINE__, 3, "DAY", "String:0050-06-01"},
      {__LINE__, 0, "STAMP", "Date:45366.35417"},
      // Before the zero day the time of day still counts away from zero.
      {__LINE__, 1, "STAMP", "Date:-1.25"},
      {__LINE__, 2, "STAMP", "Date:45366.50001"},
      {__LINE__, 3, "STAMP", "Null"},
      {__LINE__, 0, "DATA", "error 13"},
      {__LINE__, 1, "DATA", "Null"},
      {__LINE__, 0, "geom", "error 13"},
      {__LINE__, 1, "geom", "Null"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::int32_t index = -1;
    ASSERT_TRUE(table->IndexOfField(value::FromUtf8(row.field), index).ok());
    ASSERT_GE(index, 0);
    EXPECT_EQ(dumps[row.feature][static_cast<std::size_t>(index)], row.expected);
  }
}

// Lists and times do not fit a GeoPackage column; GeoJSON keeps lists and
// CSV with its type sidecar keeps times.
TEST(LayerTableTest, TimesListsAndShapefileTextRead) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteDataset(
      "CSV", dir / "times.csv",
      {LayerDef{"times", {{"CLOCK", OFTTime}}, {{{"18:00:00"}, ""}, {{"00:00:01.5"}, ""}},
                wkbNone, {"CREATE_CSVT=YES"}}}));
  ASSERT_TRUE(testing::WriteDataset(
      "GeoJSON", dir / "lists.geojson",
      {LayerDef{"lists",
                {{"INTS", OFTIntegerList}, {"REALS", OFTRealList}, {"WORDS", OFTStringList}},
                {{{"1,-2,3", "0.5,1e+20", "Kraków,São Paulo"}, ""}},
                wkbNone,
                {}}}));
  ASSERT_TRUE(testing::WriteDataset(
      gdal::testing::ShapefileDriver(), dir / "towns.shp",
      {LayerDef{"towns", {{"NAME", OFTString}, {"FOUNDED", OFTDate}},
                {{{"Reykjavík", "1786-08-18"}, "POINT (-21.9 64.1)"}}, wkbPoint,
                {"ENCODING=UTF-8"}}}));

  for (const auto& [file, expected] :
       {std::pair{"times.csv", "CLOCK:5"},
        std::pair{"lists.geojson", "INTS:4|REALS:4|WORDS:4|Shape:7"}}) {
    SCOPED_TRACE(file);
    const std::unique_ptr<LayerTable> table = OpenOnly(dir / file);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(DumpFields(*table), expected);
  }

  struct Row {
    int line;
    const char* file;
    std::size_t feature;
    const char* field;
    const char* expected;
  };
  const Row rows[] = {
      {__LINE__, "times.csv", 0, "CLOCK", "Date:0.75"},
      {__LINE__, "times.csv", 1, "CLOCK", "Date:1.736111111e-05"},
      {__LINE__, "lists.geojson", 0, "INTS", "String:1,-2,3"},
      {__LINE__, "lists.geojson", 0, "REALS", "String:0.5,1e+20"},
      {__LINE__, "lists.geojson", 0, "WORDS", "String:Kraków,São Paulo"},
      {__LINE__, "towns.shp", 0, "NAME", "String:Reykjavík"},
      {__LINE__, "towns.shp", 0, "FOUNDED", "Date:-41406"},
      {__LINE__, "towns.shp", 0, "Shape", "error 13"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::unique_ptr<LayerTable> table = OpenOnly(dir / row.file);
    ASSERT_NE(table, nullptr);
    std::int32_t index = -1;
    ASSERT_TRUE(table->IndexOfField(value::FromUtf8(row.field), index).ok());
    ASSERT_GE(index, 0);
    FeatureCursor cursor = table->Features();
    for (std::size_t i = 0; i <= row.feature; ++i) ASSERT_TRUE(cursor.Next());
    EXPECT_EQ(DumpValue(cursor.row(), index), row.expected);
  }
}

TEST(LayerTableTest, CursorVisitsFeaturesInLayerOrder) {
  TempDir dir;
  const std::vector<FeatureDef> features = {
      {{"c", "3"}, ""}, {{"a", "1"}, ""}, {{"b", "2"}, ""}};
  struct Row {
    int line;
    const char* driver;
    const char* file;
    const char* expected;  // fid=NAME per feature
  };
  const Row rows[] = {
      {__LINE__, "GPKG", "order.gpkg", "1=c 2=a 3=b"},
      {__LINE__, gdal::testing::ShapefileDriver().c_str(), "order.shp", "0=c 1=a 2=b"},
      {__LINE__, "GeoJSON", "order.geojson", "0=c 1=a 2=b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ASSERT_TRUE(testing::WriteDataset(
        row.driver, dir / row.file,
        {LayerDef{"order", kPlainFields, features, wkbPoint, {}}}));
    const std::unique_ptr<LayerTable> table = OpenOnly(dir / row.file);
    ASSERT_NE(table, nullptr);
    std::int32_t name_index = -1;
    ASSERT_TRUE(table->IndexOfField(u"NAME", name_index).ok());
    // Twice: a new cursor starts again from the first feature.
    for (int pass = 0; pass < 2; ++pass) {
      std::string visited;
      FeatureCursor cursor = table->Features();
      while (cursor.Next()) {
        value::Variant name;
        ASSERT_TRUE(cursor.row().ValueAt(name_index, name).ok());
        if (!visited.empty()) visited += ' ';
        visited += std::to_string(cursor.fid()) + '=' + U8(name.AsText());
      }
      EXPECT_TRUE(cursor.status().ok());
      EXPECT_EQ(visited, row.expected);
      EXPECT_EQ(table->FeatureCount(), 3);
    }
  }
}

TEST(LayerTableTest, ReadingOnlySomeFieldsLeavesTheOthersNull) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteDataset(
      "GPKG", dir / "few.gpkg",
      {LayerDef{"few", kPlainFields, {{{"Łódź", "7"}, "POINT (1 2)"}}, wkbPoint, {}}}));
  const std::unique_ptr<LayerTable> table = OpenOnly(dir / "few.gpkg");
  ASSERT_NE(table, nullptr);
  std::int32_t name = -1;
  std::int32_t count = -1;
  std::int32_t geometry = -1;
  ASSERT_TRUE(table->IndexOfField(u"NAME", name).ok());
  ASSERT_TRUE(table->IndexOfField(u"COUNT", count).ok());
  ASSERT_TRUE(table->IndexOfField(u"geom", geometry).ok());
  struct Row {
    int line;
    std::vector<std::u16string> names;
    const char* expected;  // NAME|COUNT|geom
  } rows[] = {
      {__LINE__, {u"name"}, "String:Łódź|Null|Null"},
      {__LINE__, {u"COUNT", u"nothing"}, "Null|Long:7|Null"},
      {__LINE__, {}, "String:Łódź|Long:7|error 13"},  // everything again
      {__LINE__, {u"nothing"}, "Null|Null|Null"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ASSERT_TRUE(table->ReadOnlyFields(row.names).ok());
    FeatureCursor cursor = table->Features();
    ASSERT_TRUE(cursor.Next());
    EXPECT_EQ(DumpValue(cursor.row(), name) + '|' + DumpValue(cursor.row(), count) + '|' +
                  DumpValue(cursor.row(), geometry),
              row.expected);
  }
}

TEST(LayerTableTest, BadIndicesAndStaleCursorsFailWithoutCrashing) {
  TempDir dir;
  ASSERT_TRUE(testing::WriteDataset(
      "GPKG", dir / "two.gpkg",
      {LayerDef{"two", kPlainFields, {{{"a", "1"}, ""}, {{"b", "2"}, ""}}, wkbPoint, {}}}));
  const std::unique_ptr<LayerTable> table = OpenOnly(dir / "two.gpkg");
  ASSERT_NE(table, nullptr);
  host::HostFields* fields = nullptr;
  ASSERT_TRUE(table->FieldList(fields).ok());
  const std::int32_t count = table->FieldCount();
  ASSERT_EQ(count, 4);

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
      {__LINE__, -1, "error 9"},
      {__LINE__, count, "error 9"},
      {__LINE__, INT32_MIN, "error 9"},
      {__LINE__, count - 2, "Long:1"},
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

}  // namespace
}  // namespace pelt::gdal
