// The label command's building blocks in one process: the labels made on
// worker threads against the ones made on the caller's thread, the record
// formats and the progress line. Built with ThreadSanitizer too, where the
// parallel test shows that the evaluators' shared caches are race-free.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "label_formats.h"
#include "labeller.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "progress.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

// A CSV layer written as text: quick to make with thousands of rows, and
// read by GDAL like any other source.
std::string WritePlaces(const pelt::testing::TempDir& dir, int count) {
  const std::string path = (dir / "places.csv").string();
  std::ofstream out(path);
  out << "NAME,POP,AREA,FOUNDED\n";
  for (int i = 1; i <= count; ++i) {
    out << "place " << i << (i % 7 == 0 ? " Łódź" : "") << ',' << i * 37 % 100003 << ',' << i % 1000
        << '.' << i % 97 << ",19" << 10 + i % 90 << "-0" << 1 + i % 9 << "-1" << i % 10 << '\n';
  }
  std::ofstream types((dir / "places.csvt").string());
  types << "String,Integer,Real,Date\n";
  return path;
}

std::unique_ptr<gdal::LayerTable> OpenPlaces(const std::string& path) {
  gdal::OpenError error;
  std::unique_ptr<gdal::LayerTable> table = gdal::OpenLayerTable(path, gdal::LayerChoice(), error);
  EXPECT_NE(table, nullptr) << error.message;
  return table;
}

// Every feature's fid and label, one line each, with the count of failures.
std::string LabelAll(const std::string& path, const std::u16string& expression, int jobs) {
  const std::unique_ptr<gdal::LayerTable> table = OpenPlaces(path);
  if (!table) return {};
  gdal::FeatureCursor cursor = table->Features();
  const ReservedWordInputs words{table->name(), path, {"PAGE=7"}, 1700000000};
  std::string dump;
  std::int64_t failed = 0;
  LabelFeatures(
      *table, expression, words, cursor, LabelRunOptions{jobs, -1, 64},
      [&](LabelledBatch& batch) {
        failed += batch.failed;
        for (std::size_t i = 0; i < batch.labels.size(); ++i) {
          dump += std::to_string(batch.features.fid(i)) + ' ' + batch.labels[i] + '\n';
        }
        return true;
      },
      [] { return false; });
  return dump + "failed " + std::to_string(failed);
}

TEST(LabelPipelineTest, WorkersMakeTheSameLabelsInTheSameOrder) {
  pelt::testing::TempDir dir;
  const std::string path = WritePlaces(dir, 3000);
  struct Row {
    int line;
    const char* locale;
    std::u16string expression;
  } rows[] = {
      {__LINE__, "en_US", u"[NAME].UCase - [POP].FormatNumber(0) #$$ROW/$$FID p$$PAGE"},
      {__LINE__, "de_DE", u"[FOUNDED].Format(dddd d mmmm yyyy) [AREA].FormatCurrency"},
      {__LINE__, "fr_FR", u"[AREA].Round(1) [POP].Format(#,##0.00) [NAME].Mid(3,4).LCase"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    value::SetUserLocaleOverride(row.locale);
    const std::string alone = LabelAll(path, row.expression, 1);
    EXPECT_EQ(alone.substr(alone.size() - 9), "\nfailed 0");
    EXPECT_EQ(LabelAll(path, row.expression, 4), alone);
  }
  value::SetUserLocaleOverride("");
}

// A run ends at the limit, also within a batch, or when the consumer says so.
TEST(LabelPipelineTest, EndsAtTheLimitOrWhenTheConsumerStops) {
  pelt::testing::TempDir dir;
  const std::unique_ptr<gdal::LayerTable> table = OpenPlaces(WritePlaces(dir, 300));
  ASSERT_NE(table, nullptr);
  struct Row {
    int line;
    int jobs;
    std::int64_t limit;
    int batches_taken;  // the consumer stops after this many; 0 for never
    std::int64_t expected;
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
    gdal::FeatureCursor cursor = table->Features();
    std::int64_t seen = 0;
    int batches = 0;
    std::string last;
    const LabelRunEnd end = LabelFeatures(
        *table, u"$$ROW", ReservedWordInputs{}, cursor, LabelRunOptions{row.jobs, row.limit, 32},
        [&](LabelledBatch& batch) {
          seen += static_cast<std::int64_t>(batch.labels.size());
          if (!batch.labels.empty()) last = batch.labels.back();
          return ++batches != row.batches_taken;
        },
        [] { return false; });
    EXPECT_EQ(end, row.end);
    EXPECT_EQ(seen, row.expected);
    EXPECT_EQ(last, row.expected == 0 ? "" : std::to_string(row.expected));
  }
}

TEST(LabelFormatsTest, Records) {
  struct Row {
    int line;
    LabelFormat format;
    std::string label;
    std::string expected;
  } rows[] = {
      {__LINE__, LabelFormat::kText, "plain", "plain\n"},
      {__LINE__, LabelFormat::kText, "a\\b\nc\rd", "a\\\\b\\nc\\rd\n"},
      {__LINE__, LabelFormat::kText, "", "\n"},
      {__LINE__, LabelFormat::kJsonLines, "say \"hi\"\t",
       "{\"fid\": 12, \"label\": \"say \\\"hi\\\"\\t\"}\n"},
      // Every control character is escaped, up to and including 0x1F; DEL
      // and UTF-8 pass as they are.
      {__LINE__, LabelFormat::kJsonLines,
       "\x01\x1f"
       "b\x7f\b\f\\ü",
       "{\"fid\": 12, \"label\": \"\\u0001\\u001fb\x7f\\b\\f\\\\ü\"}\n"},
      {__LINE__, LabelFormat::kCsv, "plain text", "12,plain text\n"},
      {__LINE__, LabelFormat::kCsv, "", "12,\n"},
      {__LINE__, LabelFormat::kCsv, "a,b", "12,\"a,b\"\n"},
      {__LINE__, LabelFormat::kCsv, "say \"hi\"", "12,\"say \"\"hi\"\"\"\n"},
      {__LINE__, LabelFormat::kCsv, "two\nlines", "12,\"two\nlines\"\n"},
      {__LINE__, LabelFormat::kCsv, "cr\r", "12,\"cr\r\"\n"},
      {__LINE__, LabelFormat::kCsv, "Zürich", "12,Zürich\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::string out;
    AppendRecord(row.format, 12, row.label, out);
    EXPECT_EQ(out, row.expected);
  }
  std::string header;
  AppendHeader(LabelFormat::kCsv, header);
  EXPECT_EQ(header, "fid,label\n");
}

TEST(ProgressLineTest, ShowsShareRateAndTimeLeft) {
  struct Row {
    int line;
    std::int64_t done;
    std::int64_t total;
    double seconds;
    const char* expected;
  } rows[] = {
      {__LINE__, 0, 1000, 0, "[                    ]   0%  0/1000 features"},
      {__LINE__, 250, 1000, 2, "[#####               ]  25%  250/1000 features  125/s  0:06 left"},
      {__LINE__, 999, 1000, 1, "[################### ]  99%  999/1000 features  999/s  0:01 left"},
      {__LINE__, 1000, 1000, 4, "[####################] 100%  1000/1000 features  250/s"},
      {__LINE__, 10, 100000, 1,
       "[                    ]   0%  10/100000 features  10/s  2:46:39 left"},
      {__LINE__, 0, 0, 0, "[####################] 100%  0/0 features"},
      {__LINE__, 5000, -1, 2, "5000 features  2500/s"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(ProgressLine(row.done, row.total, row.seconds), row.expected);
  }
}

}  // namespace
}  // namespace pelt::tools
