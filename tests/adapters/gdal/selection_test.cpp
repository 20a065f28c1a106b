// The adapter's reading for the command line: sources in memory and with
// open options, attribute filters, one feature by id, batches, and copies
// of a layer with one more field.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include "adapters/gdal/test_layers.h"
#include "pelt/adapters/gdal/layer_copy.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/value/text.h"
#include "pelt/value/variant.h"
#include "support/temp_dir.h"

namespace pelt::gdal {
namespace {

using pelt::testing::TempDir;
using testing::LayerDef;

LayerDef Towns() {
  return LayerDef{"towns",
                  {{"NAME", OFTString}, {"POP", OFTInteger}},
                  {{{"Zürich", "421878"}, "POINT (8.54 47.37)"},
                   {{"Bern", "134591"}, "POINT (7.45 46.95)"},
                   {{"Łódź", "672185"}, "POINT (19.46 51.76)"}},
                  wkbPoint,
                  {}};
}

// "fid:NAME" for every feature a cursor reads through batches of size.
std::string ReadNames(LayerTable& table, FeatureCursor cursor, std::size_t size) {
  std::int32_t name_index = -1;
  EXPECT_TRUE(table.IndexOfField(u"NAME", name_index).ok());
  std::string dump;
  FeatureBatch batch;
  while (cursor.NextBatch(batch, size) > 0) {
    for (std::size_t i = 0; i < batch.size(); ++i) {
      value::Variant name;
      EXPECT_TRUE(batch.RowAt(i).ValueAt(name_index, name).ok());
      dump += std::to_string(batch.fid(i)) + ":" + value::ToUtf8(name.AsText()) + " ";
    }
    dump += "| ";
  }
  if (!cursor.status().ok()) dump += value::ToUtf8(cursor.status().description());
  return dump;
}

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::WriteDataset("GPKG", dir_ / "towns.gpkg", {Towns()}));
    OpenError error;
    table_ = OpenLayerTable((dir_ / "towns.gpkg").string(), LayerChoice(), error);
    ASSERT_NE(table_, nullptr) << error.message;
  }

  TempDir dir_;
  std::unique_ptr<LayerTable> table_;
};

TEST_F(SelectionTest, FiltersAndBatches) {
  struct Row {
    int line;
    const char* where;
    std::size_t batch;
    std::int64_t count;
    const char* expected;
  } rows[] = {
      {__LINE__, "", 2, 3, "1:Zürich 2:Bern | 3:Łódź | "},
      {__LINE__, "", 5, 3, "1:Zürich 2:Bern 3:Łódź | "},
      {__LINE__, "", 1, 3, "1:Zürich | 2:Bern | 3:Łódź | "},
      {__LINE__, "POP > 200000", 5, 2, "1:Zürich 3:Łódź | "},
      {__LINE__, "NAME = 'nobody'", 5, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ASSERT_TRUE(table_->SetAttributeFilter(row.where).ok());
    EXPECT_EQ(table_->FeatureCount(), row.count);
    EXPECT_EQ(ReadNames(*table_, table_->Features(), row.batch), row.expected);
  }
  const host::Status refused = table_->SetAttributeFilter("POP >");
  EXPECT_FALSE(refused.ok());
  // A refused condition leaves the layer unfiltered.
  EXPECT_EQ(ReadNames(*table_, table_->Features(), 5), "1:Zürich 2:Bern 3:Łódź | ");
}

TEST_F(SelectionTest, OneFeatureById) {
  ASSERT_TRUE(table_->SetAttributeFilter("POP < 0").ok());  // ignored by id
  EXPECT_EQ(ReadNames(*table_, table_->FeatureWithId(2), 4), "2:Bern | ");
  EXPECT_EQ(ReadNames(*table_, table_->FeatureWithId(9), 4),
            "Layer towns has no feature with id 9");
}

TEST_F(SelectionTest, SourcesInMemoryAndWithOpenOptions) {
  const std::string geojson =
      R"({"type": "FeatureCollection", "features": [)"
      R"({"type": "Feature", "properties": {"NAME": "Zürich"}, "geometry": null}]})";
  OpenError error;
  std::unique_ptr<Source> source = Source::OpenInMemory(geojson, "standard input", {}, error);
  ASSERT_NE(source, nullptr) << error.message;
  EXPECT_EQ(source->path(), "standard input");
  EXPECT_EQ(source->DriverName(), "GeoJSON");

  EXPECT_EQ(Source::OpenInMemory("not vector data", "standard input", {}, error), nullptr);
  EXPECT_EQ(error.message,
            "cannot open 'standard input': not in a vector data format GDAL can read");

  const std::string csv = (dir_ / "plain.csv").string();
  std::ofstream(csv) << "a,b\n1,2\n";
  source = Source::Open(csv, {"HEADERS=NO"}, error);
  ASSERT_NE(source, nullptr) << error.message;
  std::unique_ptr<LayerTable> table = source->OpenLayer(LayerChoice(), error);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->FeatureCount(), 2);  // the header line is a record

  EXPECT_EQ(Source::Open(csv, {"=x"}, error), nullptr);
  EXPECT_EQ(error.kind, OpenErrorKind::kBadOpenOption);
}

TEST_F(SelectionTest, CopiesTheLayerWithANewField) {
  const std::string output = (dir_ / "copy.gpkg").string();
  CopyError error;
  std::unique_ptr<LayerCopy> copy =
      LayerCopy::Create(*table_, output, CopyOptions{"GPKG", "LABEL", false}, error);
  ASSERT_NE(copy, nullptr) << error.message;
  FeatureCursor cursor = table_->Features();
  FeatureBatch batch;
  ASSERT_EQ(cursor.NextBatch(batch, 10), 3u);
  for (std::size_t i = 0; i < batch.size(); ++i) {
    ASSERT_TRUE(copy->Add(batch, i, "label " + std::to_string(i), error)) << error.message;
  }
  EXPECT_FALSE(std::filesystem::exists(output)) << "visible before it is complete";
  ASSERT_TRUE(copy->Commit(error)) << error.message;
  copy.reset();

  GDALDatasetUniquePtr written(GDALDataset::Open(output.c_str(), GDAL_OF_VECTOR));
  ASSERT_NE(written, nullptr);
  OGRLayer* layer = written->GetLayerByName("towns");
  ASSERT_NE(layer, nullptr);
  std::string dump;
  for (const auto& feature : *layer) {
    // GDAL reuses one buffer for the text of numbers: copy each value at once.
    dump += std::to_string(feature->GetFID()) + ":";
    for (const char* field : {"NAME", "POP", "LABEL"}) {
      dump += std::string(feature->GetFieldAsString(field)) + "/";
    }
    dump += feature->GetGeometryRef()->exportToWkt() + " ";
  }
  EXPECT_EQ(dump,
            "1:Zürich/421878/label 0/POINT (8.54 47.37) 2:Bern/134591/label 1/POINT (7.45 46.95) "
            "3:Łódź/672185/label 2/POINT (19.46 51.76) ");
}

TEST_F(SelectionTest, AbandonedCopyLeavesNothing) {
  {
    CopyError error;
    std::unique_ptr<LayerCopy> copy = LayerCopy::Create(
        *table_, (dir_ / "copy.gpkg").string(), CopyOptions{"GPKG", "LABEL", false}, error);
    ASSERT_NE(copy, nullptr) << error.message;
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"towns.gpkg"});
}

TEST_F(SelectionTest, RefusedCopies) {
  const std::string source = (dir_ / "towns.gpkg").string();
  const std::string existing = (dir_ / "existing.gpkg").string();
  std::ofstream(existing) << "x";
  struct Row {
    int line;
    std::string path;
    CopyOptions options;
    CopyErrorKind kind;
  } rows[] = {
      {__LINE__, existing, {"GPKG", "LABEL", false}, CopyErrorKind::kOutputExists},
      {__LINE__, source, {"GPKG", "LABEL", true}, CopyErrorKind::kSameAsSource},
      {__LINE__, (dir_ / "a.gpkg").string(), {"GPKG", "name", false}, CopyErrorKind::kFieldExists},
      {__LINE__, (dir_ / "a.gpkg").string(), {"GPKG", "", false}, CopyErrorKind::kBadFieldName},
      {__LINE__, (dir_ / "a.tif").string(), {"GTiff", "L", false}, CopyErrorKind::kUnknownDriver},
      {__LINE__, (dir_ / "no" / "a.gpkg").string(), {"GPKG", "L", false},
       CopyErrorKind::kWriteFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    CopyError error;
    EXPECT_EQ(LayerCopy::Create(*table_, row.path, row.options, error), nullptr);
    EXPECT_EQ(error.kind, row.kind) << error.message;
  }
}

}  // namespace
}  // namespace pelt::gdal
