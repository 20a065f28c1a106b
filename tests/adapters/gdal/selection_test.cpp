// The adapter's reading for the command line: attribute filters, one
// feature by id, batches, and copies of a layer with one more field.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pelt/adapters/gdal/layer_copy.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/value/text.h"
#include "pelt/value/variant.h"
#include "support/gdal_layers.h"
#include "support/golden_cases.h"
#include "support/run_program.h"
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

// "fid:NAME" for every feature a cursor reads through batches of size,
// the batches parted by " | ".
std::string ReadNames(LayerTable& table, FeatureCursor cursor, std::size_t size) {
  std::int32_t name_index = -1;
  EXPECT_TRUE(table.IndexOfField(u"NAME", name_index).ok());
  std::string dump;
  FeatureBatch batch;
  while (cursor.NextBatch(batch, size) > 0) {
    for (std::size_t i = 0; i < batch.size(); ++i) {
      value::Variant name;
      EXPECT_TRUE(batch.RowAt(i).ValueAt(name_index, name).ok());
      dump += (i > 0          ? " "
               : dump.empty() ? ""
                              : " | ") +
              std::to_string(batch.fid(i)) + ":" + value::ToUtf8(name.AsText());
    }
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
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/adapters/gdal/filters.cases", [&](const pelt::testing::GoldenCase& c) {
        const std::size_t blank = std::min(c.input.find(' '), c.input.size());
        EXPECT_TRUE(table_->SetAttributeFilter(c.input.substr(blank)).ok());
        return std::to_string(table_->FeatureCount()) + " features: " +
               ReadNames(*table_, table_->Features(), std::stoul(c.input.substr(0, blank))) + "\n";
      });
  const host::Status refused = table_->SetAttributeFilter("POP >");
  EXPECT_FALSE(refused.ok());
  // A refused condition leaves the layer unfiltered.
  EXPECT_EQ(ReadNames(*table_, table_->Features(), 5), "1:Zürich 2:Bern 3:Łódź");
}

// What the command line cannot see: the copy is invisible until Commit, and
// a copy dropped before it leaves nothing.
TEST_F(SelectionTest, CopyAppearsOnlyOnCommit) {
  const std::filesystem::path output = dir_ / "copy.gpkg";
  CopyError error;
  std::unique_ptr<LayerCopy> dropped = LayerCopy::Create(
      *table_, (dir_ / "dropped.gpkg").string(), CopyOptions{"GPKG", "LABEL", false, ""}, error);
  ASSERT_NE(dropped, nullptr) << error.message;
  dropped.reset();
  std::unique_ptr<LayerCopy> copy =
      LayerCopy::Create(*table_, output.string(), CopyOptions{"GPKG", "LABEL", false, ""}, error);
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
  EXPECT_EQ(pelt::testing::FileNames(dir_.path()),
            (std::vector<std::string>{"copy.gpkg", "towns.gpkg"}));
  EXPECT_EQ(testing::DumpDataset(output, {"@fid", "NAME", "POP", "LABEL"}),
            "@fid=1;NAME=Zürich;POP=421878;LABEL=label 0|POINT (8.54 47.37)\n"
            "@fid=2;NAME=Bern;POP=134591;LABEL=label 1|POINT (7.45 46.95)\n"
            "@fid=3;NAME=Łódź;POP=672185;LABEL=label 2|POINT (19.46 51.76)\n");
}

}  // namespace
}  // namespace pelt::gdal
