// The label command's building blocks in one process: where a run of the
// labeller ends, and the progress line. Built with ThreadSanitizer too, as
// the labeller makes labels on several threads.

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "labeller.h"
#include "pelt/adapters/gdal/source.h"
#include "progress.h"
#include "range_labeller.h"
#include "support/gdal_layers.h"
#include "support/golden_cases.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

// A run's labels, a line each, and how it ended.
struct Labelled {
  std::string labels;
  LabelRunEnd end{};
};

// Labels table with one reader, or through ranges its jobs read themselves;
// the consumer stops after stop_after batches (0: never).
Labelled Label(gdal::LayerTable& table, const std::u16string& expression,
               const LabelRunOptions& options, int stop_after, bool ranged) {
  Labelled run;
  int batches = 0;
  const auto consume = [&](LabelledBatch& batch) {
    for (std::size_t i = 0; i < batch.labels.size(); ++i) {
      run.labels += batch.labels[i];
      run.labels += '\n';
    }
    return ++batches != stop_after;
  };
  const auto never = [] { return false; };
  if (!ranged) {
    gdal::FeatureCursor cursor = table.Features();
    run.end =
        LabelFeatures(table, expression, ReservedWordInputs{}, cursor, options, consume, never);
    return run;
  }
  std::string read_failure;
  const std::optional<LabelRunEnd> end = LabelFeatureRanges(table, expression, ReservedWordInputs{},
                                                            options, consume, never, read_failure);
  EXPECT_TRUE(end.has_value()) << "the layer was not split";
  EXPECT_EQ(read_failure, "");
  run.end = end.value_or(LabelRunEnd::kStopped);
  return run;
}

// A run ends at the limit, also within a batch, or when the consumer says so.
TEST(LabelPipelineTest, EndsAtTheLimitOrWhenTheConsumerStops) {
  pelt::testing::TempDir dir;
  std::ofstream csv(dir / "rows.csv");
  csv << "N,NAME\n";
  for (int i = 1; i <= 300; ++i) csv << i << ",x\n";
  csv.close();
  gdal::OpenError error;
  const std::unique_ptr<gdal::LayerTable> table =
      gdal::OpenLayerTable((dir / "rows.csv").string(), gdal::LayerChoice(), error);
  ASSERT_NE(table, nullptr) << error.message;
  struct Row {
    int line;
    int jobs;
    std::int64_t limit;
    int stop_after;
    int expected;  // labels, $$ROW 1 to this
    LabelRunEnd end;
  } rows[] = {
      {__LINE__, 1, 250, 0, 250, LabelRunEnd::kFinished},
      {__LINE__, 3, 250, 0, 250, LabelRunEnd::kFinished},
      {__LINE__, 2, 0, 0, 0, LabelRunEnd::kFinished},
      {__LINE__, 2, 32, 0, 32, LabelRunEnd::kFinished},
      {__LINE__, 2, 33, 0, 33, LabelRunEnd::kFinished},
      {__LINE__, 3, 1000, 0, 300, LabelRunEnd::kFinished},
      {__LINE__, 1, -1, 3, 96, LabelRunEnd::kStopped},
      {__LINE__, 2, -1, 3, 96, LabelRunEnd::kStopped},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Labelled run = Label(*table, u"$$ROW", {row.jobs, row.limit, 32}, row.stop_after, false);
    std::string expected;
    for (int i = 1; i <= row.expected; ++i) expected += std::to_string(i) + "\n";
    EXPECT_EQ(run.end, row.end);
    EXPECT_EQ(run.labels, expected);
  }
}

// 300 features less those whose id is a multiple of 5 or in 100..140: gaps
// in the ids of a GeoPackage, deleted records kept in a Shapefile.
std::string SourceWithGaps(const pelt::testing::TempDir& dir, const std::string& driver,
                           const std::string& file) {
  const std::string path = (dir / file).string();
  gdal::testing::LayerDef layer{"rows", {{"NAME"}}, {}, wkbPoint, {}};
  for (int i = 1; i <= 300; ++i) layer.features.push_back({{"n" + std::to_string(i)}, ""});
  if (!gdal::testing::WriteDataset(driver, path, {layer})) return "";
  const char* const keep_deleted[] = {"AUTO_REPACK=NO", nullptr};
  GDALDatasetUniquePtr update(
      GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, nullptr, keep_deleted));
  if (!update) return "";
  OGRLayer* rows = update->GetLayer(0);
  for (GIntBig fid = 0; fid <= 300; ++fid) {  // ids start at 1 or at 0
    if (fid % 5 != 0 && (fid < 100 || fid > 140)) continue;
    const OGRErr deleted = rows->DeleteFeature(fid);
    if (deleted != OGRERR_NONE && deleted != OGRERR_NON_EXISTING_FEATURE) return "";
  }
  return path;
}

// Labels the layer at path through ranges and through one reader alike;
// with the file removed once open, no job but the first can open it again.
// With $$ROW a range is labelled once the ranges before are counted;
// without, as it is read.
void RangesLabelAsOneReaderDoes(const std::string& path, bool remove_file = false) {
  gdal::OpenError error;
  const std::unique_ptr<gdal::LayerTable> table =
      gdal::OpenLayerTable(path, gdal::LayerChoice(), error);
  ASSERT_NE(table, nullptr) << error.message;
  if (remove_file) {
    ASSERT_TRUE(std::filesystem::remove(path));
  }
  struct Row {
    int line;
    int jobs;
    std::int64_t ids_per_range;
    std::int64_t limit;
    int stop_after;
  } rows[] = {
      {__LINE__, 2, 7, -1, 0},  {__LINE__, 3, 5, -1, 0},   {__LINE__, 2, 1000, -1, 0},
      {__LINE__, 2, 7, 100, 0}, {__LINE__, 3, 16, 97, 0},  {__LINE__, 2, 7, 0, 0},
      {__LINE__, 2, 3, -1, 4},  {__LINE__, 4, 1, 1000, 0},
  };
  for (const Row& row : rows) {
    for (const char16_t* words : {u"$$ROW:$$FID:", u"$$FID:"}) {
      SCOPED_TRACE(row.line);
      const std::u16string expression = std::u16string(words) + u"[NAME]";
      const Labelled one = Label(*table, expression, {1, row.limit, 4}, 0, false);
      const Labelled ranged =
          Label(*table, expression, {row.jobs, row.limit, 4, row.ids_per_range, row.ids_per_range},
                row.stop_after, true);
      EXPECT_EQ(ranged.labels, one.labels.substr(0, ranged.labels.size()));
      EXPECT_EQ(ranged.end, row.stop_after == 0 ? LabelRunEnd::kFinished : LabelRunEnd::kStopped);
      if (row.stop_after == 0) {
        EXPECT_EQ(ranged.labels, one.labels);
      }
    }
  }
}

// Jobs that read ranges of ids themselves give the labels of one reader, in
// its order, $$ROW and $$FID included: with gaps in the ids, a range left
// empty, limits inside a range and a consumer that stops.
TEST(LabelPipelineTest, RangesLabelAsOneReaderDoes) {
  pelt::testing::TempDir dir;
  for (const auto& [driver, file] : {std::pair<std::string, std::string>{"GPKG", "rows.gpkg"},
                                     {gdal::testing::ShapefileDriver(), "rows.shp"}}) {
    SCOPED_TRACE(driver);
    const std::string path = SourceWithGaps(dir, driver, file);
    ASSERT_NE(path, "");
    RangesLabelAsOneReaderDoes(path);
  }
}

TEST(LabelPipelineTest, TheFirstJobReadsEveryRangeWhenNoOtherCanOpenTheSource) {
  pelt::testing::TempDir dir;
  const std::string path = SourceWithGaps(dir, "GPKG", "rows.gpkg");
  ASSERT_NE(path, "");
  RangesLabelAsOneReaderDoes(path, /*remove_file=*/true);
}

TEST(ProgressLineTest, ShowsShareRateAndTimeLeft) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/tools/progress_lines.cases",
                                [](const pelt::testing::GoldenCase& c) {
                                  std::int64_t done = 0;
                                  std::int64_t total = 0;
                                  double seconds = 0;
                                  std::istringstream(c.input) >> done >> total >> seconds;
                                  return ProgressLine(done, total, seconds) + "\n";
                                });
}

}  // namespace
}  // namespace pelt::tools
