// pelt-label label and layers as a user runs them on real files: the cases
// of label.runs and label_refusals.runs, then what needs process control:
// parallel labelling, copies reopened with GDAL, interrupts, closed pipes.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "label_data.h"

namespace pelt::tools {
namespace {

using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::TempDir;

using LabelOptionsTest = LabelDataTest;

TEST_F(LabelOptionsTest, Transcript) { RunTranscript("label.runs"); }
TEST_F(LabelOptionsTest, RefusalsTranscript) { RunTranscript("label_refusals.runs"); }
TEST_F(LabelOptionsTest, WarningsTranscript) { RunTranscript("warnings.runs"); }

// Several workers make the labels the caller's thread would, in the same
// order.
TEST_F(LabelOptionsTest, ParallelOutputIsIdentical) { RunTranscript("parallel.runs", "/bin/bash"); }

TEST_F(LabelOptionsTest, WritesFilesOnlyWhenComplete) {
  const std::string source = (data_ / "towns.gpkg").string();
  const std::string before = ReadFile(source);
  const ProgramOutcome labels =
      Run({"label", "--output", (run_ / "labels.txt").string(), source, "[NAME]"});
  EXPECT_EQ(labels.exit_code, 0) << labels.err;
  EXPECT_EQ(labels.out, "");
  EXPECT_EQ(ReadFile(run_ / "labels.txt"), "Zürich\nŁódź\nBern, \"BE\"\nTromsø\n");

  const std::string expected =
      "NAME=Zürich;POP=421878;LBL=ZÜRICH 1|POINT (8.54 47.37)\n"
      "NAME=Łódź;POP=672185;LBL=ŁÓDŹ 2|POINT (19.46 51.76)\n"
      "NAME=Bern, \"BE\";POP=134591;LBL=BERN, \"BE\" 3|POINT (7.45 46.95)\n"
      "NAME=Tromsø;POP=77544;LBL=TROMSØ 4|POINT (18.96 69.65)\n";
  for (const auto& [driver, file] : {std::pair<std::string, std::string>{"GPKG", "copy.gpkg"},
                                     {gdal::testing::ShapefileDriver(), "copy.shp"},
                                     {"GeoJSON", "copy.geojson"}}) {
    SCOPED_TRACE(driver);
    const ProgramOutcome copy =
        Run({"label", "--to", (run_ / file).string(), "--field", "LBL", "--to-format", driver,
             "--jobs", "2", source, "[NAME].UCase $$FID"});
    EXPECT_EQ(copy.exit_code, 0) << copy.err;
    EXPECT_EQ(copy.out, "");
    EXPECT_EQ(gdal::testing::DumpDataset(run_ / file, {"NAME", "POP", "LBL"}), expected);
  }
  EXPECT_EQ(ReadFile(source), before) << "the source was modified";
  for (const std::string& name : pelt::testing::FileNames(run_.path())) {
    EXPECT_FALSE(name.starts_with('.') || name.find(".tmp.") != std::string::npos)
        << name << " was left";
  }

  // An existing output is replaced when asked (data_safety.runs has the
  // refusal without --overwrite).
  const std::string output = (run_ / "copy.gpkg").string();
  std::ofstream(output) << "precious";
  EXPECT_EQ(
      Run({"label", "--to", output, "--field", "LBL", "--overwrite", source, "[NAME]"}).exit_code,
      0);
  EXPECT_EQ(ReadFile(output).substr(0, 15), "SQLite format 3");
}

TEST_F(LabelOptionsTest, InterruptRemovesTheUnfinishedOutput) {
  const std::string source = (data_ / "big.csv").string();
  std::ofstream out(source);
  out << "NAME,POP\n";
  for (int i = 1; i <= 400000; ++i) out << "place " << i << ',' << i << '\n';
  out.close();
  std::ofstream(data_ / "big.csvt") << "String,Integer\n";
  struct Row {
    int line;
    std::vector<std::string> output;  // names with a dot are files in a fresh folder
    const char* temporary_prefix;
    int signal_number;
  } rows[] = {
      {__LINE__, {"--output", "labels.txt"}, "labels.txt.", SIGINT},
      {__LINE__, {"--to", "copy.gpkg", "--field", "LBL"}, ".copy.gpkg.", SIGINT},
      {__LINE__, {"--output", "labels.txt", "--jobs", "3"}, "labels.txt.", SIGTERM},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    TempDir out_dir;
    std::vector<std::string> args{"label"};
    for (const std::string& arg : row.output) {
      args.push_back(arg.find('.') != std::string::npos ? (out_dir / arg).string() : arg);
    }
    args.insert(args.end(), {source, "[NAME] [POP].FormatNumber(2)"});
    EXPECT_EQ(pelt::testing::SignalWhenFileAppears(PELT_LABEL_PROGRAM, args, out_dir.path(),
                                                   row.temporary_prefix, row.signal_number),
              128 + row.signal_number);
    EXPECT_EQ(pelt::testing::FileNames(out_dir.path()), std::vector<std::string>{})
        << "an unfinished output was left";
  }
}

// The bar counts the features the run will label: --offset and --limit
// shrink its total.
TEST_F(LabelOptionsTest, ProgressBarOnRequest) {
  const std::string towns = (data_ / "towns.gpkg").string();
  const struct {
    std::vector<std::string> options;
    const char* last;
  } rows[] = {
      {{}, "\r[####################] 100%  4/4 features"},
      {{"--limit", "2"}, "\r[####################] 100%  2/2 features"},
      {{"--offset", "1"}, "\r[####################] 100%  3/3 features"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> arguments{"label", "--progress"};
    arguments.insert(arguments.end(), row.options.begin(), row.options.end());
    arguments.insert(arguments.end(), {towns, "[NAME]"});
    const ProgramOutcome shown = Run(arguments);
    EXPECT_EQ(shown.exit_code, 0);
    const std::size_t at = shown.err.find(row.last);
    ASSERT_NE(at, std::string::npos) << shown.err;
    // The final state is blanked at the end: the bar leaves nothing behind.
    const std::size_t width = shown.err.find('\r', at + 1) - at - 1;
    EXPECT_EQ(shown.err.substr(at + 1 + width), "\r\r" + std::string(width, ' ') + "\r")
        << shown.err;
  }
}

}  // namespace
}  // namespace pelt::tools
