// What an output may not replace, and which driver its name asks for.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "pelt/adapters/gdal/output_formats.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/adapters/gdal/source_files.h"
#include "support/gdal_layers.h"
#include "support/temp_dir.h"

namespace pelt::gdal {
namespace {

using pelt::testing::TempDir;

TEST(OutputFormatsTest, DriverFollowsTheFileName) {
  const struct Row {
    const char* path;
    std::optional<std::string> driver;
  } rows[] = {
      {"out.gpkg", "GPKG"},
      {"dir.d/Out.GeoJSON", "GeoJSON"},
      {"out.json", "GeoJSON"},
      {"out.csv", "CSV"},
      {"out.fgb", "FlatGeobuf"},
      {"out.SHP", testing::ShapefileDriver()},
      {"out.dbf", testing::ShapefileDriver()},
      {"out.shp.zip", testing::ShapefileDriver()},  // the longer extension wins over none
      {"out.xyz", std::nullopt},
      {"out.zip", std::nullopt},
      {"out", std::nullopt},
      {".gpkg", std::nullopt},  // a hidden file's name, no extension
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(DriverForFileName(row.path), row.driver);
  }
}

TEST(OutputFormatsTest, FileExtension) {
  EXPECT_EQ(FileExtension("a/b.c/Copy.GeoJSON"), "geojson");
  EXPECT_EQ(FileExtension("a.d/copy"), "");
  EXPECT_EQ(FileExtension(".hidden"), "");
  EXPECT_EQ(FileExtension("x.shp.zip"), "zip");
}

TEST(OutputFormatsTest, ListsOnlyDriversThatCreateVectorData) {
  bool gpkg = false;
  for (const OutputFormat& format : OutputFormats()) {
    EXPECT_NE(format.driver, "GTiff");
    if (format.driver == "GPKG") gpkg = format.extensions.front() == "gpkg";
  }
  EXPECT_TRUE(gpkg);
}

TEST(SourceFilesTest, LocalFileOfVirtualPaths) {
  TempDir dir;
  std::ofstream(dir / "a.zip") << "zip";
  std::filesystem::create_directory(dir / "folder.zip");
  const std::string base = dir.path().string();
  const struct Row {
    std::string gdal_path;
    std::optional<std::string> local;
  } rows[] = {
      {base + "/plain.gpkg", base + "/plain.gpkg"},
      {"/vsizip/" + base + "/a.zip/inner/x.shp", base + "/a.zip"},
      {"/vsizip/" + base + "/a.zip", base + "/a.zip"},
      {"/vsizip/{" + base + "/a.zip}/x.shp", base + "/a.zip"},
      {"/vsitar//vsigzip/" + base + "/a.zip/x.shp", base + "/a.zip"},
      {"/vsigzip/" + base + "/missing.gz", base + "/missing.gz"},
      {"/vsimem/x.geojson", std::nullopt},
      {"/vsicurl/https://example.org/x.fgb", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.gdal_path);
    EXPECT_EQ(LocalFileOf(row.gdal_path), row.local);
  }
}

TEST(SourceFilesTest, FindsEveryFileOfTheSourceByAnyName) {
  TempDir dir;
  ASSERT_TRUE(
      testing::WriteDataset(testing::ShapefileDriver(), dir / "roads.shp",
                            {testing::LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbPoint, {}}}));
  std::filesystem::create_symlink(dir / "roads.dbf", dir / "link.dbf");
  std::ofstream(dir / "other.txt") << "x";
  OpenError error;
  const std::unique_ptr<LayerTable> table =
      OpenLayerTable((dir / "roads.shp").string(), LayerChoice(), error);
  ASSERT_TRUE(table) << error.message;
  const std::string base = dir.path().string();
  const struct Row {
    std::string output;
    std::optional<SourceFileRole> role;
  } rows[] = {
      {base + "/roads.shp", SourceFileRole::kSource},
      {base + "/./roads.shp", SourceFileRole::kSource},
      {base + "/roads.shx", SourceFileRole::kSidecar},
      {base + "/link.dbf", SourceFileRole::kSidecar},
      {base + "/other.txt", std::nullopt},
      {base + "/new.txt", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.output);
    const std::optional<SourceFile> found = FindSourceFile(*table, row.output);
    EXPECT_EQ(found ? std::optional(found->role) : std::nullopt, row.role);
  }
}

}  // namespace
}  // namespace pelt::gdal
