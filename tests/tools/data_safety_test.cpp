// No pelt-label command destroys a file: the refusals of data_safety.runs,
// then the same refusals run again here with every file's bytes compared
// before and after, and what standard input and the kinds of output files
// make of a run.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/gdal_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/transcript.h"

namespace pelt::tools {
namespace {

using gdal::testing::LayerDef;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::ReplaceAll;
using pelt::testing::TempDir;

// Shapefiles default to Latin-1, which has no "Ł".
LayerDef Towns(std::vector<std::string> options = {}) {
  return LayerDef{
      "towns",
      {{"NAME", OFTString}, {"POP", OFTInteger}, {"AREA", OFTReal}, {"FOUNDED", OFTDate}},
      {{{"Zürich", "421878", "87.88", "1218-01-01"}, "POINT (8.54 47.37)"},
       {{"Łódź", "672185", std::nullopt, std::nullopt}, "POINT (19.46 51.76)"},
       {{"Bern", "134591", "0.5", "2000-12-31"}, "POINT (7.45 46.95)"},
       {{"Tromsø", "77544", "2521", "1794-06-20"}, "POINT (18.96 69.65)"}},
      wkbPoint,
      std::move(options)};
}

// Every file under dir, by its path relative to dir: its bytes, or the
// target of a link.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string name = std::filesystem::relative(entry.path(), dir).string();
    if (entry.is_symlink()) {
      files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      files[name] = ReadFile(entry.path());
    } else {
      files[name] = "(folder)";
    }
  }
  return files;
}

class DataSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string shapefile = gdal::testing::ShapefileDriver();
    ASSERT_TRUE(gdal::testing::WriteDataset("GPKG", data_ / "towns.gpkg", {Towns()}));
    const LayerDef towns = Towns({"ENCODING=UTF-8"});
    ASSERT_TRUE(gdal::testing::WriteDataset(shapefile, data_ / "towns.shp", {towns}));
    ASSERT_TRUE(gdal::testing::WriteDataset(shapefile, data_ / "towns.shp.zip", {towns}));
    std::filesystem::copy_file(data_ / "towns.dbf", data_ / "lone.dbf");
    std::filesystem::create_symlink(data_ / "towns.gpkg", data_ / "link.gpkg");
    std::filesystem::create_hard_link(data_ / "towns.gpkg", data_ / "hard.gpkg");
    std::filesystem::create_directory(data_ / "sub");
    std::ofstream(data_ / "labels.txt") << "the user's own labels\n";
  }

  // args with {dir} standing for the data folder.
  std::vector<std::string> Expand(const std::vector<std::string>& args) const {
    std::vector<std::string> expanded;
    for (const std::string& arg : args) expanded.push_back(ReplaceAll(arg, "{dir}", data_.path()));
    return expanded;
  }

  ProgramOutcome Run(const std::vector<std::string>& args) {
    return pelt::testing::RunProgram(PELT_LABEL_PROGRAM, Expand(args), run_);
  }

  // Runs a shell command line with $0 the program and $1 the data folder.
  ProgramOutcome Shell(const std::string& command) {
    return pelt::testing::RunProgram("/bin/bash", {"-c", command, PELT_LABEL_PROGRAM, data_.path()},
                                     run_);
  }

  TempDir data_;
  TempDir run_;
};

TEST_F(DataSafetyTest, Transcript) {
  pelt::testing::RunTranscript(
      PELT_LABEL_PROGRAM, PELT_TOOLS_TESTS "/data_safety.runs",
      {{"dir", data_.path().string()}, {"sample", PELT_SAMPLE_IN_SOURCE_TREE}});
}

// Each refusal ends with status 2 before anything is written: every file
// keeps its bytes, and no temporary is left beside them.
TEST_F(DataSafetyTest, RefusalsLeaveEveryFileAsItWas) {
  const struct Row {
    int line;
    std::vector<std::string> args;
  } rows[] = {
      // The user's slip: SOURCE forgotten, the bundled sample labelled.
      {__LINE__, {"label", "-o", "{dir}/towns.gpkg", "[NAME].UCase"}},
      {__LINE__, {"label", "-o", "{dir}/towns.gpkg", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/link.gpkg", "--overwrite", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/towns.gpkg", "--overwrite", "{dir}/link.gpkg", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/hard.gpkg", "--overwrite", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__,
       {"label", "-o", "{dir}/./towns.gpkg", "--overwrite", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__,
       {"label", "-o", "{dir}/sub/../towns.gpkg", "--overwrite", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/towns.dbf", "--overwrite", "{dir}/towns.shp", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/towns.shx", "--overwrite", "{dir}/towns.shp", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/towns.cpg", "--overwrite", "{dir}/towns.shp", "[NAME]"}},
      {__LINE__,
       {"label", "-o", "{dir}/towns.shp.zip", "--overwrite", "/vsizip/{dir}/towns.shp.zip",
        "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/labels.txt", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__, {"label", "-o", "{dir}/sub", "--overwrite", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/towns.gpkg", "--field", "L", "--overwrite", "{dir}/towns.gpkg",
        "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/hard.gpkg", "--field", "L", "--overwrite", "{dir}/towns.gpkg",
        "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/sub/../link.gpkg", "--field", "L", "--overwrite",
        "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/towns.dbf", "--to-format", "GPKG", "--field", "L", "--overwrite",
        "{dir}/towns.shp", "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/towns.shp.zip", "--to-format", "GPKG", "--field", "L",
        "--overwrite", "/vsizip/{dir}/towns.shp.zip", "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/lone.shp", "--field", "L", "--overwrite", "{dir}/lone.dbf",
        "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/labels.txt", "--field", "L", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__,
       {"label", "--to", "{dir}/labels.xyz", "--field", "L", "{dir}/towns.gpkg", "[NAME]"}},
      {__LINE__, {"label", "{dir}/towns.gpkg"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::map<std::string, std::string> before = Snapshot(data_.path());
    const ProgramOutcome outcome = Run(row.args);
    EXPECT_EQ(outcome.exit_code, 2) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(Snapshot(data_.path()) == before) << "the files changed";
  }
}

// Without SOURCE, the sample stands in only when standard input cannot
// carry data; - reads it.
TEST_F(DataSafetyTest, StandardInputThatMayHoldTheSource) {
  const std::string geojson = R"({"type": "FeatureCollection", "features": [{"type": "Feature", )"
                              R"("properties": {"NAME": "piped"}, "geometry": null}]})";
  std::ofstream(data_ / "in.geojson") << geojson;
  ASSERT_EQ(::mkfifo((data_ / "fifo").c_str(), 0600), 0);
  const struct Row {
    int line;
    std::string command;
    int exit_code;
    std::string out;
    std::string err;
  } rows[] = {
      {__LINE__, R"(cat "$1/in.geojson" | "$0" label '[NAME]')", 2, "",
       "pelt-label label: no SOURCE given, and standard input is a pipe: give - as SOURCE"},
      {__LINE__, R"(cat "$1/in.geojson" | "$0" layers)", 2, "",
       "pelt-label layers: no SOURCE given, and standard input is a pipe"},
      {__LINE__, R"(cat "$1/in.geojson" | "$0" fields)", 2, "",
       "pelt-label fields: no SOURCE given, and standard input is a pipe"},
      {__LINE__, R"(cat "$1/in.geojson" > "$1/fifo" & "$0" label '[NAME]' < "$1/fifo")", 2, "",
       "pelt-label label: no SOURCE given, and standard input is a pipe"},
      {__LINE__, R"("$0" label '[NAME]' < "$1/in.geojson")", 2, "",
       "pelt-label label: no SOURCE given, and standard input is a file"},
      {__LINE__, R"(python3 -c 'import socket,subprocess,sys
a, b = socket.socketpair()
sys.exit(subprocess.call([sys.argv[1], "label", "[NAME]"], stdin=a))' "$0")",
       2, "", "pelt-label label: no SOURCE given, and standard input is a socket"},
      {__LINE__, R"(cat "$1/in.geojson" | "$0" label - '[NAME]')", 0, "piped\n", ""},
      {__LINE__, R"(echo '[NAME].UCase' | "$0" label --quiet --limit 1 -)", 0, "ZÜRICH\n", ""},
      {__LINE__, R"("$0" label --quiet --limit 1 '[NAME]' < /dev/null)", 0, "Zürich\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome outcome = Shell(row.command);
    EXPECT_EQ(outcome.exit_code, row.exit_code) << outcome.err;
    EXPECT_EQ(outcome.out, row.out);
    // An expected message is a prefix; none means nothing at all.
    EXPECT_EQ(row.err.empty() ? outcome.err : outcome.err.substr(0, row.err.size()), row.err);
  }
}

// Devices, pipes and the process's own streams are written as they are,
// without --overwrite; an existing file is replaced with it.
TEST_F(DataSafetyTest, OutputsWrittenAsTheyAre) {
  ASSERT_EQ(::mkfifo((data_ / "fifo").c_str(), 0600), 0);
  std::ofstream(data_ / "log.txt") << "before\n";
  const struct Row {
    int line;
    std::string command;
    std::string file;  // in the data folder, after the run
    std::string contents;
  } rows[] = {
      {__LINE__,
       R"(cat "$1/fifo" > "$1/from-fifo.txt" & "$0" label --limit 2 -o "$1/fifo" "$1/towns.gpkg" '[NAME]'; wait)",
       "from-fifo.txt", "Zürich\nŁódź\n"},
      {__LINE__, R"("$0" label -o /dev/null "$1/towns.gpkg" '[NAME]' && echo ok > "$1/null.txt")",
       "null.txt", "ok\n"},
      {__LINE__, R"("$0" label --limit 1 -o /dev/stdout "$1/towns.gpkg" '[NAME]' >> "$1/log.txt")",
       "log.txt", "before\nZürich\n"},
      {__LINE__, R"("$0" label --limit 1 -o /dev/fd/3 "$1/towns.gpkg" '[NAME]' 3>> "$1/log.txt")",
       "log.txt", "before\nZürich\nZürich\n"},
      {__LINE__, R"("$0" label --limit 1 -o "$1/labels.txt" --overwrite "$1/towns.gpkg" '[NAME]')",
       "labels.txt", "Zürich\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome outcome = Shell(row.command);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(ReadFile(data_ / row.file), row.contents);
  }
  struct stat status {};
  ASSERT_EQ(::stat((data_ / "fifo").c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode)) << "the pipe was replaced by a file";
}

// A copy replaces what is at its path, so a pipe or a device there is
// refused, --overwrite or not: it would be gone from the system.
TEST_F(DataSafetyTest, CopiesNeverReplaceAPipeOrDevice) {
  ASSERT_EQ(::mkfifo((data_ / "fifo").c_str(), 0600), 0);
  for (const bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite);
    std::vector<std::string> args{"label",   "--to", "{dir}/fifo",       "--to-format", "GPKG",
                                  "--field", "L",    "{dir}/towns.gpkg", "[NAME]"};
    if (overwrite) args.push_back("--overwrite");
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 2) << outcome.err;
    EXPECT_NE(outcome.err.find("is a pipe, which a copy never replaces"), std::string::npos)
        << outcome.err;
    struct stat status {};
    ASSERT_EQ(::stat((data_ / "fifo").c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode)) << "the pipe was replaced by a file";
  }
}

}  // namespace
}  // namespace pelt::tools
