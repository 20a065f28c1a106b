#include "label_data.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/transcript.h"

namespace pelt::tools {

using gdal::testing::LayerDef;
using gdal::testing::WriteDataset;
namespace fs = std::filesystem;

LayerDef Towns(const std::string& name) {
  return LayerDef{
      name,
      {{"NAME", OFTString}, {"POP", OFTInteger}, {"AREA", OFTReal}, {"FOUNDED", OFTDate}},
      {{{"Zürich", "421878", "87.88", "1218-01-01"}, "POINT (8.54 47.37)"},
       {{"Łódź", "672185", std::nullopt, std::nullopt}, "POINT (19.46 51.76)"},
       {{"Bern, \"BE\"", "134591", "0.5", "2000-12-31"}, "POINT (7.45 46.95)"},
       {{"Tromsø", "77544", "2521", "1794-06-20"}, "POINT (18.96 69.65)"}},
      wkbPoint,
      {}};
}

void LabelDataTest::SetUp() {
  const std::string shapefile = gdal::testing::ShapefileDriver();
  LayerDef towns = Towns();
  ASSERT_TRUE(WriteDataset("GPKG", data_ / "towns.gpkg", {towns}));
  ASSERT_TRUE(WriteDataset("GPKG", data_ / "multi.gpkg", {towns, Towns("2")}));
  towns.options.push_back("ENCODING=UTF-8");  // Shapefiles default to Latin-1, which has no "Ł"
  ASSERT_TRUE(WriteDataset(shapefile, data_ / "towns.shp", {towns}));
  ASSERT_TRUE(WriteDataset(shapefile, data_ / "towns.shp.zip", {towns}));
  fs::copy_file(data_ / "towns.dbf", data_ / "lone.dbf");
  fs::create_symlink(data_ / "towns.gpkg", data_ / "link.gpkg");
  fs::create_hard_link(data_ / "towns.gpkg", data_ / "hard.gpkg");
  ASSERT_TRUE(
      WriteDataset("GPKG", data_ / "places.gpkg",
                   {LayerDef{"places",
                             {{"NAME", OFTString}, {"Straße", OFTInteger}, {"PICTURE", OFTBinary}},
                             {},
                             wkbPoint,
                             {}}}));
  ASSERT_TRUE(
      WriteDataset("GPKG", data_ / "two.gpkg",
                   {LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbLineString, {}},
                    LayerDef{"rivers",
                             {{"NAME", OFTString}, {"Straße", OFTInteger}, {"LENGTH", OFTReal}},
                             {},
                             wkbLineString,
                             {}}}));
  ASSERT_TRUE(WriteDataset(
      "GeoJSON", data_ / "odd.geojson",
      {LayerDef{
          "odd",
          {{"say \"hi\"", OFTString}, {"back\\slash", OFTInteger64}, {"tab\there", OFTDateTime}},
          {{{"x", "1", "2024-01-01 00:00:00"}, "POINT (0 0)"}},
          wkbPoint,
          {}}}));
  std::ofstream(data_ / "batch.txt", std::ios::binary) << "[NAME]\r\n[NOPE]\n\n[NAME\n";
  std::ofstream(data_ / "plain.csv") << "Zürich,421878\nŁódź,672185\n";
  fs::create_directory(data_ / "empty");
  std::ofstream(data_ / "garbage.gpkg") << "this is not a GeoPackage\n";
  std::ofstream(data_ / "garbage.geojson") << R"({ "type": "FeatureCollection", "features": [ )";
  std::ofstream(data_ / "zero.shp") << "";
  std::ofstream(data_ / "empty.kml")
      << R"(<?xml version="1.0"?><kml xmlns="http://www.opengis.net/kml/2.2"><Document></Document></kml>)";
  std::ofstream(data_ / "in.geojson") << R"({"type": "FeatureCollection", "features": [)"
                                      << R"({"type": "Feature", "properties": {"NAME": "piped"}, )"
                                      << R"("geometry": null}]})";
  std::ofstream(data_ / "labels.txt") << "the user's own labels\n";
  fs::create_directory(data_ / "sub");
  ASSERT_EQ(::mkfifo((data_ / "fifo").c_str(), 0600), 0);
}

void LabelDataTest::RunTranscript(const std::string& name, const std::string& program) {
  pelt::testing::RunTranscript(program, PELT_TESTS_DIR "/tools/" + name,
                               {{"dir", data_.path().string()},
                                {"sample", PELT_SAMPLE_IN_SOURCE_TREE},
                                {"label", PELT_LABEL_PROGRAM}});
}

}  // namespace pelt::tools
