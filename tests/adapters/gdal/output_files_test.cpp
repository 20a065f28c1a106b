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
#include "support/golden_cases.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::gdal {
namespace {

using pelt::testing::GoldenCase;
using pelt::testing::ReplaceAll;
using pelt::testing::RunGoldenCases;
using pelt::testing::TempDir;

TEST(OutputFormatsTest, DriverFollowsTheFileName) {
  RunGoldenCases(PELT_TESTS_DIR "/adapters/gdal/output_names.cases", [](const GoldenCase& c) {
    const std::string extension = FileExtension(c.input);
    const std::string driver = DriverForFileName(c.input).value_or("none");
    return "extension " + (extension.empty() ? "none" : extension) + ", driver " +
           (driver == testing::ShapefileDriver() ? "Shapefile" : driver) + "\n";
  });
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
  RunGoldenCases(PELT_TESTS_DIR "/adapters/gdal/source_paths.cases", [&](const GoldenCase& c) {
    const std::optional<std::string> local = LocalFileOf(ReplaceAll(c.input, "{dir}", base));
    return (local ? ReplaceAll(*local, base, "{dir}") : "none") + "\n";
  });
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
