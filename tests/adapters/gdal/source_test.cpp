#include "pelt/adapters/gdal/source.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/gdal_layers.h"
#include "support/golden_cases.h"
#include "support/run_program.h"
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
    ASSERT_TRUE(testing::WriteDataset(gdal::testing::ShapefileDriver(), dir_ / "shapes" / "a.shp",
                                      {Layer("a")}));
    ASSERT_TRUE(testing::WriteDataset(gdal::testing::ShapefileDriver(), dir_ / "shapes" / "b.shp",
                                      {Layer("b")}));
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

TEST_F(SourceTest, OpensTheChosenLayerOrSaysWhyNot) {
  const char* const kinds[] = {"not found",           "not vector data", "unreadable",
                               "no layers",           "unknown layer",   "layer index out of range",
                               "layer choice needed", "bad open option"};
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/adapters/gdal/layer_choices.cases", [&](const pelt::testing::GoldenCase& c) {
        std::istringstream words(c.input);
        std::string file;
        std::string how;
        std::string which;
        words >> file >> how >> which;
        const LayerChoice choice = how == "name"    ? LayerChoice::Named(which)
                                   : how == "index" ? LayerChoice::AtIndex(std::stoi(which))
                                                    : LayerChoice::OnlyLayer();
        OpenError error;
        const std::unique_ptr<LayerTable> table = OpenLayerTable(Path(file), choice, error);
        if (table) return "layer " + table->name() + "\n";
        return kinds[static_cast<int>(error.kind)] + std::string(": ") +
               pelt::testing::ReplaceAll(error.message, dir_.path().string(), "{dir}") + "\n";
      });
}

TEST_F(SourceTest, DescribesTheSource) {
  OpenError error;
  const std::unique_ptr<Source> source = Source::Open(Path("three.gpkg"), error);
  ASSERT_NE(source, nullptr) << error.message;
  EXPECT_EQ(source->DriverName(), "GPKG");
  EXPECT_EQ(source->LayerCount(), 3);
  std::vector<std::string> names;
  EXPECT_TRUE(source->LayerNames(names, error)) << error.message;
  EXPECT_EQ(names, (std::vector<std::string>{"roads", "rivers", "Łąki"}));
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
  const std::string before = pelt::testing::ReadFile(path);
  const std::vector<std::string> files_before = pelt::testing::FileNames(dir_.path());
  {
    OpenError error;
    const std::unique_ptr<LayerTable> table = OpenLayerTable(path.string(), {}, error);
    ASSERT_NE(table, nullptr) << error.message;
    FeatureCursor cursor = table->Features();
    while (cursor.Next()) {
    }
    // No journal or lock file appears beside the GeoPackage while it is read.
    EXPECT_EQ(pelt::testing::FileNames(dir_.path()), files_before);
  }
  EXPECT_EQ(pelt::testing::ReadFile(path), before);
}

// A source that loses its connection while its layers are listed, as a
// database can: the second layer cannot be fetched.
class DroppedConnection final : public GDALDataset {
 public:
  int GetLayerCount() override { return 2; }
  OGRLayer* GetLayer(int index) override {
    if (index == 0) return &first_;
    CPLError(CE_Failure, CPLE_AppDefined, "server closed the connection unexpectedly");
    return nullptr;
  }

 private:
  class EmptyLayer final : public OGRLayer {
   public:
    EmptyLayer() : definition_(new OGRFeatureDefn("first")) { definition_->Reference(); }
    ~EmptyLayer() override { definition_->Release(); }
    void ResetReading() override {}
    OGRFeature* GetNextFeature() override { return nullptr; }
    OGRFeatureDefn* GetLayerDefn() override { return definition_; }
    int TestCapability(const char*) override { return FALSE; }

   private:
    OGRFeatureDefn* definition_;
  } first_;
};

// Opens "dropped:..." names as a DroppedConnection.
void RegisterDroppedConnectionDriver() {
  GDALAllRegister();
  if (GDALGetDriverByName("PELT_DROPPED") != nullptr) return;
  auto* driver = new GDALDriver();
  driver->SetDescription("PELT_DROPPED");
  driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
  driver->pfnIdentify = [](GDALOpenInfo* info) {
    return STARTS_WITH(info->pszFilename, "dropped:") ? TRUE : FALSE;
  };
  driver->pfnOpen = [](GDALOpenInfo* info) -> GDALDataset* {
    return STARTS_WITH(info->pszFilename, "dropped:") ? new DroppedConnection() : nullptr;
  };
  GetGDALDriverManager()->RegisterDriver(driver);
}

// GDAL's reason reaches the user, and the source is not said to have no layers.
TEST(SourceListingTest, AFailureWhileListingLayersIsToldWithItsCause) {
  RegisterDroppedConnectionDriver();
  const std::string expected =
      "cannot read layer 1 of 'dropped:db': server closed the connection unexpectedly";
  OpenError error;
  const std::unique_ptr<Source> source = Source::Open("dropped:db", error);
  ASSERT_NE(source, nullptr) << error.message;
  std::vector<std::string> names;
  EXPECT_FALSE(source->LayerNames(names, error));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(error.kind, OpenErrorKind::kUnreadable);
  EXPECT_EQ(error.message, expected);
  error = {};
  EXPECT_EQ(OpenLayerTable("dropped:db", LayerChoice::OnlyLayer(), error), nullptr);
  EXPECT_EQ(error.message, expected);
}

}  // namespace
}  // namespace pelt::gdal
