#include "pelt/adapters/gdal/source.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/gdal_layers.h"
#include "support/temp_dir.h"

namespace pelt::gdal {
namespace {

using pelt::testing::TempDir;
using testing::FieldDef;
using testing::LayerDef;

const std::vector<FieldDef> kFields = {{"NAME", OFTString}};

LayerDef Layer(const std::string& name) {
  return LayerDef{name, kFields, {{{name}, "POINT (1 2)"}}, wkbPoint, {}};
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder with everything the bad-source rows point at.
class SourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::WriteDataset("GPKG", dir_ / "one.gpkg", {Layer("places")}));
    ASSERT_TRUE(testing::WriteDataset("GPKG", dir_ / "three.gpkg",
                                      {Layer("roads"), Layer("rivers"), Layer("Łąki")}));
    std::filesystem::create_directory(dir_ / "empty");
    // A folder of Shapefiles is one source with a layer per file.
    std::filesystem::create_directory(dir_ / "shapes");
    ASSERT_TRUE(testing::WriteDataset(gdal::testing::ShapefileDriver(), dir_ / "shapes" / "a.shp", {Layer("a")}));
    ASSERT_TRUE(testing::WriteDataset(gdal::testing::ShapefileDriver(), dir_ / "shapes" / "b.shp", {Layer("b")}));
    WriteText(dir_ / "garbage.gpkg", "this is not a GeoPackage\n");
    WriteText(dir_ / "garbage.geojson", "{ \"type\": \"FeatureCollection\", \"features\": [ ");
    WriteText(dir_ / "zero.shp", "");
    WriteText(dir_ / "empty.kml",
              "<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\">"
              "<Document></Document></kml>");
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  TempDir dir_;
};

TEST_F(SourceTest, OpensTheChosenLayer) {
  struct Row {
    int line;
    const char* file;
    LayerChoice choice;
    const char* expected;  // the layer's name
  };
  const Row rows[] = {
      {__LINE__, "one.gpkg", LayerChoice::OnlyLayer(), "places"},
      {__LINE__, "one.gpkg", LayerChoice::Named("places"), "places"},
      {__LINE__, "one.gpkg", LayerChoice::AtIndex(0), "places"},
      {__LINE__, "three.gpkg", LayerChoice::Named("rivers"), "rivers"},
      {__LINE__, "three.gpkg", LayerChoice::Named("Łąki"), "Łąki"},
      {__LINE__, "three.gpkg", LayerChoice::AtIndex(0), "roads"},
      {__LINE__, "three.gpkg", LayerChoice::AtIndex(2), "Łąki"},
      {__LINE__, "shapes", LayerChoice::Named("b"), "b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    OpenError error;
    const std::unique_ptr<LayerTable> table = OpenLayerTable(Path(row.file), row.choice, error);
    ASSERT_NE(table, nullptr) << error.message;
    EXPECT_EQ(table->name(), row.expected);
  }
}

TEST_F(SourceTest, RefusesWhatItCannotOpen) {
  struct Row {
    int line;
    std::string file;
    LayerChoice choice;
    OpenErrorKind kind;
    std::string message;  // {dir} stands for the test folder; * ends a prefix
  };
  const Row rows[] = {
      {__LINE__, "missing.gpkg", {}, OpenErrorKind::kNotFound,
       "cannot open '{dir}/missing.gpkg': No such file or directory"},
      {__LINE__, "", {}, OpenErrorKind::kNotVectorData,
       "cannot open '{dir}/': a directory without vector data GDAL can read"},
      {__LINE__, "empty", {}, OpenErrorKind::kNotVectorData,
       "cannot open '{dir}/empty': a directory without vector data GDAL can read"},
      {__LINE__, "garbage.gpkg", {}, OpenErrorKind::kNotVectorData,
       "cannot open '{dir}/garbage.gpkg': not in a vector data format GDAL can read"},
      // The driver that recognised the file says what is wrong with it.
      {__LINE__, "garbage.geojson", {}, OpenErrorKind::kUnreadable,
       "cannot open '{dir}/garbage.geojson': *"},
      {__LINE__, "zero.shp", {}, OpenErrorKind::kNotVectorData,
       "cannot open '{dir}/zero.shp': not in a vector data format GDAL can read"},
      {__LINE__, "empty.kml", {}, OpenErrorKind::kNoLayers, "'{dir}/empty.kml' has no layers"},
      {__LINE__, "empty.kml", LayerChoice::Named("places"), OpenErrorKind::kNoLayers,
       "'{dir}/empty.kml' has no layers"},
      {__LINE__, "empty.kml", LayerChoice::AtIndex(0), OpenErrorKind::kNoLayers,
       "'{dir}/empty.kml' has no layers"},
      {__LINE__, "three.gpkg", {}, OpenErrorKind::kLayerChoiceNeeded,
       "'{dir}/three.gpkg' has 3 layers, choose one of: 'roads', 'rivers', 'Łąki'"},
      {__LINE__, "shapes", {}, OpenErrorKind::kLayerChoiceNeeded,
       "'{dir}/shapes' has 2 layers, choose one of: *"},  // in the folder's order
      {__LINE__, "three.gpkg", LayerChoice::Named("lakes"), OpenErrorKind::kUnknownLayer,
       "'{dir}/three.gpkg' has no layer 'lakes' (its layers: 'roads', 'rivers', 'Łąki')"},
      {__LINE__, "three.gpkg", LayerChoice::Named(""), OpenErrorKind::kUnknownLayer,
       "'{dir}/three.gpkg' has no layer '' (its layers: 'roads', 'rivers', 'Łąki')"},
      {__LINE__, "three.gpkg", LayerChoice::AtIndex(3), OpenErrorKind::kLayerIndexOutOfRange,
       "'{dir}/three.gpkg' has no layer at index 3 (it has 3 layers)"},
      {__LINE__, "one.gpkg", LayerChoice::AtIndex(-1), OpenErrorKind::kLayerIndexOutOfRange,
       "'{dir}/one.gpkg' has no layer at index -1 (it has 1 layer)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::string expected = row.message;
    expected.replace(expected.find("{dir}"), 5, dir_.path().string());
    OpenError error;
    const std::unique_ptr<LayerTable> table = OpenLayerTable(Path(row.file), row.choice, error);
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(error.kind, row.kind);
    if (expected.back() == '*') {
      expected.pop_back();
      EXPECT_EQ(error.message.substr(0, expected.size()), expected);
      EXPECT_GT(error.message.size(), expected.size());
    } else {
      EXPECT_EQ(error.message, expected);
    }
  }
}

TEST_F(SourceTest, DescribesTheSource) {
  OpenError error;
  const std::unique_ptr<Source> source = Source::Open(Path("three.gpkg"), error);
  ASSERT_NE(source, nullptr) << error.message;
  EXPECT_EQ(source->DriverName(), "GPKG");
  EXPECT_EQ(source->LayerCount(), 3);
  EXPECT_EQ(source->LayerNames(), (std::vector<std::string>{"roads", "rivers", "Łąki"}));
  EXPECT_EQ(source->path(), Path("three.gpkg"));
}

TEST_F(SourceTest, TablesOutliveTheirSource) {
  std::unique_ptr<LayerTable> table;
  {
    OpenError error;
    const std::unique_ptr<Source> source = Source::Open(Path("three.gpkg"), error);
    ASSERT_NE(source, nullptr) << error.message;
    table = source->OpenLayer(LayerChoice::Named("rivers"), error);
    ASSERT_NE(table, nullptr) << error.message;
  }
  FeatureCursor cursor = table->Features();
  ASSERT_TRUE(cursor.Next());
  value::Variant name;
  ASSERT_TRUE(cursor.row().ValueAt(1, name).ok());
  EXPECT_EQ(name, value::Variant::FromText(u"rivers"));
}

TEST_F(SourceTest, ReadingLeavesTheFileUntouched) {
  const std::filesystem::path path = dir_ / "one.gpkg";
  const std::string before = ReadBytes(path);
  const auto files_before = std::distance(std::filesystem::directory_iterator(dir_.path()),
                                          std::filesystem::directory_iterator());
  {
    OpenError error;
    const std::unique_ptr<LayerTable> table = OpenLayerTable(path.string(), {}, error);
    ASSERT_NE(table, nullptr) << error.message;
    FeatureCursor cursor = table->Features();
    while (cursor.Next()) {
    }
    // No journal or lock file appears beside the GeoPackage while it is read.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()),
              files_before);
  }
  EXPECT_EQ(ReadBytes(path), before);
}

}  // namespace
}  // namespace pelt::gdal
