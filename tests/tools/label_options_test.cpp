// pelt-label label and layers as a user runs them on real files: every kind
// of source, the selections, the CSV records parsed back, copies of the
// layer reopened with GDAL, parallel labelling, interrupts, closed pipes and
// bad options.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "adapters/gdal/test_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

extern char** environ;

namespace pelt::tools {
namespace {

using gdal::testing::LayerDef;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::RunProgram;
using pelt::testing::TempDir;

LayerDef Towns(const std::string& name = "towns") {
  LayerDef layer;
  layer.name = name;
  layer.fields = {{"NAME", OFTString}, {"POP", OFTInteger}};
  layer.features = {
      {{"Zürich", "421878"}, "POINT (8.54 47.37)"},
      {{"Łódź", "672185"}, "POINT (19.46 51.76)"},
      {{"Bern, \"BE\"", "134591"}, "POINT (7.45 46.95)"},
      {{"Tromsø", "77544"}, "POINT (18.96 69.65)"},
  };
  return layer;
}

// A CSV layer written as text: thousands of rows in no time.
std::string WriteBigCsv(const std::filesystem::path& path, int count) {
  std::ofstream out(path);
  out << "NAME,POP\n";
  for (int i = 1; i <= count; ++i) out << "place " << i << ',' << i * 37 % 100003 << '\n';
  return path.string();
}

// The records of CSV text (RFC 4180), for checking what the program wrote.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        records.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        records.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\n') {
      records.emplace_back(1);
    } else {
      records.back().back() += c;
    }
  }
  if (records.back() == std::vector<std::string>(1)) records.pop_back();
  return records;
}

// A dump of a layer GDAL reads back: "NAME=..;POP=..;LBL=..|POINT (..)" per
// feature.
std::string DumpLayer(const std::string& path) {
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
  if (!dataset || dataset->GetLayerCount() != 1) return "cannot open " + path;
  std::string dump;
  for (const auto& feature : *dataset->GetLayer(0)) {
    for (int i = 0; i < feature->GetFieldCount(); ++i) {
      if (i > 0) dump += ';';
      dump += std::string(feature->GetFieldDefnRef(i)->GetNameRef()) + "=" +
              feature->GetFieldAsString(i);
    }
    if (const OGRGeometry* geometry = feature->GetGeometryRef()) {
      dump += "|" + geometry->exportToWkt();
    }
    dump += '\n';
  }
  return dump;
}

std::size_t EntriesIn(const std::filesystem::path& directory) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) {
    ++count;
  }
  return count;
}

// Expected standard error: exact, "TEXT*" a prefix, "*TEXT*" a part.
void ExpectError(const std::string& actual, const std::string& expected) {
  if (expected.size() > 1 && expected.front() == '*' && expected.back() == '*') {
    EXPECT_NE(actual.find(expected.substr(1, expected.size() - 2)), std::string::npos) << actual;
  } else {
    pelt::testing::ExpectText(actual, expected, "standard error");
  }
}

class LabelOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { GDALAllRegister(); }

  ProgramOutcome Run(std::vector<std::string> args,
                     const std::optional<std::string>& stdin_text = std::nullopt) {
    return RunProgram(PELT_LABEL_PROGRAM, args, run_, {stdin_text, std::nullopt});
  }
  std::string Write(const std::string& driver, const std::string& file,
                    std::vector<LayerDef> layers = {Towns()}) {
    const std::filesystem::path path = data_ / file;
    // Shapefiles default to Latin-1, which has no "Ł".
    if (driver == gdal::testing::ShapefileDriver()) {
      for (LayerDef& layer : layers) layer.options.push_back("ENCODING=UTF-8");
    }
    EXPECT_TRUE(gdal::testing::WriteDataset(driver, path, layers));
    return path.string();
  }

  TempDir data_;
  TempDir run_;
};

TEST_F(LabelOptionsTest, ReadsEverySource) {
  const std::string gpkg = Write("GPKG", "towns.gpkg");
  const std::string geojson = Write("GeoJSON", "towns.geojson");
  const std::string zipped = Write(gdal::testing::ShapefileDriver(), "towns.shp.zip");
  const std::string csv = (data_ / "plain.csv").string();
  std::ofstream(csv) << "Zürich,421878\nŁódź,672185\nBern,134591\nTromsø,77544\n";
  struct Row {
    int line;
    std::vector<std::string> args;
    std::optional<std::string> stdin_text;
    const char* expected;
  } rows[] = {
      {__LINE__, {gpkg, "[NAME]"}, std::nullopt, "Zürich\nŁódź\nBern, \"BE\"\nTromsø\n"},
      {__LINE__, {"/vsizip/" + zipped + "/towns.shp", "[NAME]"}, std::nullopt,
       "Zürich\nŁódź\nBern, \"BE\"\nTromsø\n"},
      {__LINE__, {"/vsizip/" + zipped, "[POP]"}, std::nullopt, "421878\n672185\n134591\n77544\n"},
      {__LINE__, {"-", "$$SOURCE [NAME]"}, ReadFile(geojson),
       "- Zürich\n- Łódź\n- Bern, \"BE\"\n- Tromsø\n"},
      {__LINE__, {"--open-option", "HEADERS=NO", csv, "[field_1]=[field_2]"}, std::nullopt,
       "Zürich=421878\nŁódź=672185\nBern=134591\nTromsø=77544\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), "label");
    const ProgramOutcome outcome = Run(args, row.stdin_text);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.out, row.expected);
    EXPECT_EQ(outcome.err, "");
  }
}

TEST_F(LabelOptionsTest, ChoosesAndListsLayers) {
  const std::string multi = Write("GPKG", "multi.gpkg", {Towns("towns"), Towns("2")});
  {
    const ProgramOutcome outcome = Run({"layers", multi});
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "0\ttowns\t4\n1\t2\t4\n");
  }
  {
    const ProgramOutcome outcome = Run({"layers", "--format", "jsonl", multi});
    EXPECT_EQ(outcome.out,
              "{\"index\": 0, \"name\": \"towns\", \"features\": 4}\n"
              "{\"index\": 1, \"name\": \"2\", \"features\": 4}\n");
  }
  struct Row {
    int line;
    std::string layer;
    int exit_code;
    const char* out;
    std::string err;
  } rows[] = {
      {__LINE__, "towns", 0, "towns\ntowns\ntowns\ntowns\n", ""},
      {__LINE__, "0", 0, "towns\ntowns\ntowns\ntowns\n", ""},
      // A layer named "2" wins over the index 2, which does not exist.
      {__LINE__, "2", 0, "2\n2\n2\n2\n", ""},
      {__LINE__, "1", 0, "2\n2\n2\n2\n", ""},
      {__LINE__, "5", 2, "", "pelt-label: '" + multi + "' has no layer at index 5 (it has 2 layers)\n"},
      {__LINE__, "roads", 2, "",
       "pelt-label: '" + multi + "' has no layer 'roads' (its layers: 'towns', '2')\n"},
      {__LINE__, "", 2, "",
       "pelt-label: '" + multi +
           "' has 2 layers, choose one of: 'towns', '2' (use --layer NAME or INDEX)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args{"label", multi, "$$LAYER"};
    if (!row.layer.empty()) args.insert(args.begin() + 1, {"--layer", row.layer});
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, row.exit_code) << outcome.err;
    EXPECT_EQ(outcome.out, row.out);
    EXPECT_EQ(outcome.err, row.err);
  }
}

TEST_F(LabelOptionsTest, SelectsFeatures) {
  const std::string source = Write("GPKG", "towns.gpkg");
  struct Row {
    int line;
    std::vector<std::string> selection;
    const char* expected;
  } rows[] = {
      {__LINE__, {}, "1/1 2/2 3/3 4/4 "},
      {__LINE__, {"--where", "POP > 200000"}, "1/1 2/2 "},
      {__LINE__, {"--where", "NAME LIKE 'T%' OR POP < 150000"}, "1/3 2/4 "},
      {__LINE__, {"--fid", "3"}, "1/3 "},
      {__LINE__, {"--limit", "2"}, "1/1 2/2 "},
      {__LINE__, {"--limit", "0"}, ""},
      {__LINE__, {"--offset", "1"}, "1/2 2/3 3/4 "},
      {__LINE__, {"--offset", "4"}, ""},
      {__LINE__, {"--offset", "1", "--limit", "2"}, "1/2 2/3 "},
      {__LINE__, {"--where", "POP < 500000", "--offset", "1", "--limit", "1"}, "1/3 "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args{"label"};
    args.insert(args.end(), row.selection.begin(), row.selection.end());
    args.insert(args.end(), {source, "$$ROW/$$FID"});
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    std::string joined = outcome.out;
    std::replace(joined.begin(), joined.end(), '\n', ' ');
    EXPECT_EQ(joined, row.expected);
  }
}

TEST_F(LabelOptionsTest, CsvRecordsReadBack) {
  const std::string source = Write("GeoJSON", "towns.geojson");
  const ProgramOutcome outcome =
      Run({"label", "--format", "csv", source, "-"}, std::string("[NAME]\r\n\"line 2\""));
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  const std::vector<std::vector<std::string>> expected{
      {"fid", "label"},
      {"0", "Zürich\r\n\"line 2\""},
      {"1", "Łódź\r\n\"line 2\""},
      {"2", "Bern, \"BE\"\r\n\"line 2\""},
      {"3", "Tromsø\r\n\"line 2\""},
  };
  EXPECT_EQ(ParseCsv(outcome.out), expected) << outcome.out;
}

TEST_F(LabelOptionsTest, ParallelOutputIsIdentical) {
  const std::string source = WriteBigCsv(data_ / "big.csv", 20000);
  for (const char* format : {"text", "jsonl", "csv"}) {
    SCOPED_TRACE(format);
    std::vector<std::string> args{"label",  "--format", format, "--locale", "de_DE", source,
                                  "[NAME].UCase [POP].FormatNumber(2) #$$ROW"};
    args.insert(args.begin() + 1, {"--jobs", "1"});
    const ProgramOutcome one = Run(args);
    args[2] = "4";
    const ProgramOutcome four = Run(args);
    EXPECT_EQ(one.exit_code, 0) << one.err;
    EXPECT_EQ(four.exit_code, 0) << four.err;
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'),
              20000 + (std::string(format) == "csv" ? 1 : 0));
    EXPECT_TRUE(one.out == four.out) << "the outputs differ";
  }
}

TEST_F(LabelOptionsTest, CopiesTheLayerWithTheLabelField) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const std::string before = ReadFile(source);
  const std::string expected =
      "NAME=Zürich;POP=421878;LBL=ZÜRICH 1|POINT (8.54 47.37)\n"
      "NAME=Łódź;POP=672185;LBL=ŁÓDŹ 2|POINT (19.46 51.76)\n"
      "NAME=Bern, \"BE\";POP=134591;LBL=BERN, \"BE\" 3|POINT (7.45 46.95)\n"
      "NAME=Tromsø;POP=77544;LBL=TROMSØ 4|POINT (18.96 69.65)\n";
  struct Row {
    int line;
    std::vector<std::string> driver;
    const char* file;
  } rows[] = {
      {__LINE__, {}, "copy.gpkg"},
      {__LINE__, {"--to-format", gdal::testing::ShapefileDriver()}, "copy.shp"},
      {__LINE__, {"--to-format", "GeoJSON"}, "copy.geojson"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::string output = (run_ / row.file).string();
    std::vector<std::string> args{"label", "--to", output, "--field", "LBL"};
    args.insert(args.end(), row.driver.begin(), row.driver.end());
    args.insert(args.end(), {"--jobs", "2", source, "[NAME].UCase $$FID"});
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(DumpLayer(output), expected);
  }
  EXPECT_EQ(ReadFile(source), before) << "the source was modified";
  // No work folder left behind.
  for (const auto& entry : std::filesystem::directory_iterator(run_.path())) {
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  }
}

TEST_F(LabelOptionsTest, CopyRefusesToReplaceUnlessAsked) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const std::string output = (run_ / "copy.gpkg").string();
  std::ofstream(output) << "precious";
  struct Row {
    int line;
    std::vector<std::string> extra;
    int exit_code;
    std::string err;
    const char* contents_start;
  } rows[] = {
      {__LINE__, {}, 2,
       "pelt-label: '" + output + "' exists already (use --overwrite to replace it)\n",
       "precious"},
      {__LINE__, {"--overwrite"}, 0, "", "SQLite format 3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args{"label", "--to", output, "--field", "LBL"};
    args.insert(args.end(), row.extra.begin(), row.extra.end());
    args.insert(args.end(), {source, "[NAME]"});
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, row.exit_code);
    EXPECT_EQ(outcome.err, row.err);
    EXPECT_EQ(ReadFile(output).substr(0, std::string(row.contents_start).size()),
              row.contents_start);
  }
  const ProgramOutcome same =
      Run({"label", "--to", source, "--field", "LBL", "--overwrite", source, "[NAME]"});
  EXPECT_EQ(same.exit_code, 2);
  EXPECT_EQ(same.err, "pelt-label: '" + source + "' is the source; it is never written to\n");
}

// Starts pelt-label, waits until a file whose name starts with prefix
// appears in dir, then sends signal_number; returns the exit status.
int InterruptWhenWriting(const std::vector<std::string>& args, const std::filesystem::path& dir,
                         const std::string& prefix, int signal_number) {
  std::vector<std::string> all{PELT_LABEL_PROGRAM};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().filename().string().starts_with(prefix)) seen = true;
    }
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, signal_number);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return seen ? WEXITSTATUS(status) : -2;
}

TEST_F(LabelOptionsTest, InterruptRemovesTheUnfinishedOutput) {
  const std::string source = WriteBigCsv(data_ / "big.csv", 400000);
  struct Row {
    int line;
    std::vector<std::string> output;
    const char* temporary_prefix;
    int signal_number;
    int exit_code;
  } rows[] = {
      {__LINE__, {"--output", "labels.txt"}, "labels.txt.", SIGINT, 130},
      {__LINE__, {"--to", "copy.gpkg", "--field", "LBL"}, ".copy.gpkg.", SIGINT, 130},
      {__LINE__, {"--output", "labels.txt", "--jobs", "3"}, "labels.txt.", SIGTERM, 143},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    TempDir out_dir;
    std::vector<std::string> args{"label"};
    for (const std::string& arg : row.output) {
      args.push_back(arg.find('.') != std::string::npos ? (out_dir / arg).string() : arg);
    }
    args.insert(args.end(), {source, "[NAME] [POP].FormatNumber(2)"});
    EXPECT_EQ(InterruptWhenWriting(args, out_dir.path(), row.temporary_prefix, row.signal_number),
              row.exit_code);
    EXPECT_EQ(EntriesIn(out_dir.path()), 0u) << "an unfinished output was left";
  }
}

TEST_F(LabelOptionsTest, WriteFailures) {
  const std::string source = WriteBigCsv(data_ / "big.csv", 50000);
  // A reader that leaves early: no message; the status a shell shows for a
  // program that a closed pipe stopped.
  const ProgramOutcome piped = RunProgram(
      "/bin/bash",
      {"-c", "\"$0\" label \"$1\" '[NAME]' | head -n 2 >/dev/null; echo \"${PIPESTATUS[0]}\"",
       PELT_LABEL_PROGRAM, source},
      run_);
  EXPECT_EQ(piped.out, "141\n");
  EXPECT_EQ(piped.err, "");

  const ProgramOutcome full = RunProgram(
      "/bin/bash", {"-c", "\"$0\" label \"$1\" '[NAME]' >/dev/full", PELT_LABEL_PROGRAM, source},
      run_);
  EXPECT_EQ(full.exit_code, 1);
  EXPECT_EQ(full.err, "pelt-label: cannot write standard output: No space left on device\n");

  const std::filesystem::path missing = run_ / "no" / "such";
  const std::filesystem::path locked = run_ / "locked";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
  // Root writes into the locked folder anyway; the missing one fails for all.
  const bool locked_works = access(locked.c_str(), W_OK) != 0;
  struct Row {
    int line;
    std::vector<std::string> output;
    const char* reason;
  } rows[] = {
      {__LINE__, {"--output", (missing / "labels.txt").string()}, "No such file or directory"},
      {__LINE__, {"--to", (missing / "copy.gpkg").string(), "--field", "L"},
       "No such file or directory"},
      {__LINE__, {"--output", (locked / "labels.txt").string()}, "Permission denied"},
      {__LINE__, {"--to", (locked / "copy.gpkg").string(), "--field", "L"}, "Permission denied"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    if (!locked_works && row.output[1].starts_with(locked.string())) continue;
    std::vector<std::string> args{"label"};
    args.insert(args.end(), row.output.begin(), row.output.end());
    args.insert(args.end(), {source, "[NAME]"});
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_EQ(outcome.err,
              "pelt-label: cannot write '" + row.output[1] + "': " + row.reason + "\n");
  }
}

TEST_F(LabelOptionsTest, ProgressBarOnRequest) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const ProgramOutcome shown = Run({"label", "--progress", source, "[NAME]"});
  EXPECT_EQ(shown.exit_code, 0);
  EXPECT_NE(shown.err.find("\r[####################] 100%  4/4 features"), std::string::npos)
      << shown.err;
  EXPECT_EQ(shown.err.back(), '\n');
  // Standard error is a file here, not a terminal: no bar by default.
  EXPECT_EQ(Run({"label", source, "[NAME]"}).err, "");
}

TEST_F(LabelOptionsTest, BadOptions) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const std::string multi = Write("GPKG", "multi.gpkg", {Towns("a"), Towns("b")});
  struct Row {
    int line;
    std::vector<std::string> args;
    int exit_code;
    std::string err;
  } rows[] = {
      {__LINE__, {"--jobs", "0", source, "x"}, 2,
       "pelt-label label: --jobs needs a whole number from 1 to 256, not '0' (see 'pelt-label "
       "label --help')\n"},
      {__LINE__, {"--jobs", "two", source, "x"}, 2, "*--jobs needs a whole number*"},
      {__LINE__, {"--limit", "-1", source, "x"}, 2,
       "pelt-label label: --limit needs a whole number from 0, not '-1' (see 'pelt-label label "
       "--help')\n"},
      {__LINE__, {"--offset", "1e3", source, "x"}, 2, "*--offset needs a whole number from 0*"},
      {__LINE__, {"--fid", "x", source, "x"}, 2, "*--fid needs a whole number, not 'x'*"},
      {__LINE__, {"--fid", "9", source, "x"}, 1,
       "pelt-label: Layer towns has no feature with id 9\n"},
      {__LINE__, {"--fid", "1", "--where", "POP > 1", source, "x"}, 2,
       "*--fid cannot be combined with --where*"},
      {__LINE__, {"--where", "NOPE >", source, "x"}, 2, "pelt-label label: --where 'NOPE >' is refused*"},
      {__LINE__, {"--format", "xml", source, "x"}, 2,
       "*unknown format 'xml', expected text, jsonl or csv*"},
      {__LINE__, {"--to", "a.gpkg", source, "x"}, 2, "*--to needs --field NAME*"},
      {__LINE__, {"--field", "L", source, "x"}, 2, "*--field goes with --to*"},
      {__LINE__, {"--overwrite", source, "x"}, 2, "*--overwrite goes with --to*"},
      {__LINE__, {"--to", "a.gpkg", "--field", "L", "--format", "csv", source, "x"}, 2,
       "*--format cannot be combined with --to*"},
      {__LINE__, {"--to", "a.gpkg", "--field", "NAME", source, "x"}, 2,
       "pelt-label: layer 'towns' already has a field 'NAME' (choose another --field)\n"},
      {__LINE__, {"--to", "a.x", "--field", "L", "--to-format", "NOPE", source, "x"}, 2,
       "pelt-label: no GDAL driver 'NOPE' that creates vector data\n"},
      {__LINE__, {"--progress", "--quiet", source, "x"}, 2,
       "*--progress cannot be combined with --quiet*"},
      {__LINE__, {"--open-option", "NOEQUALS", source, "x"}, 2,
       "pelt-label: open option 'NOEQUALS' is not KEY=VALUE\n"},
      {__LINE__, {"-", "-"}, 2, "*SOURCE and EXPR cannot both come from standard input*"},
      {__LINE__, {"-", "x"}, 2,
       "pelt-label: cannot open 'standard input': not in a vector data format GDAL can read\n"},
      {__LINE__, {"--layer", "-1", multi, "x"}, 2, "pelt-label: '" + multi + "' has no layer at index -1*"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), "label");
    const ProgramOutcome outcome = Run(args);
    EXPECT_EQ(outcome.exit_code, row.exit_code) << outcome.err;
    ExpectError(outcome.err, row.err);
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

}  // namespace
}  // namespace pelt::tools
