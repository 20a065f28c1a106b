// pelt-label label and layers as a user runs them on real files: every kind
// of source, locales, selections and formats, copies of the layer reopened
// with GDAL, parallel labelling, interrupts, closed pipes and bad options.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/gdal_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

using gdal::testing::LayerDef;
using pelt::testing::ExpectedRun;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::RunProgram;
using pelt::testing::TempDir;

LayerDef Towns(const std::string& name = "towns") {
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

// A CSV layer written as text: thousands of rows in no time.
std::string WriteBigCsv(const std::filesystem::path& path, int count) {
  std::ofstream out(path);
  out << "NAME,POP\n";
  for (int i = 1; i <= count; ++i) out << "place " << i << ',' << i * 37 % 100003 << '\n';
  return path.string();
}

class LabelOptionsTest : public ::testing::Test {
 protected:
  ProgramOutcome Run(const std::vector<std::string>& args) {
    return RunProgram(PELT_LABEL_PROGRAM, args, run_);
  }
  std::string Write(const std::string& driver, const std::string& file,
                    std::vector<LayerDef> layers = {Towns()}) {
    // Shapefiles default to Latin-1, which has no "Ł".
    if (driver == gdal::testing::ShapefileDriver()) {
      for (LayerDef& layer : layers) layer.options.push_back("ENCODING=UTF-8");
    }
    EXPECT_TRUE(gdal::testing::WriteDataset(driver, data_ / file, layers));
    return (data_ / file).string();
  }
  void CheckRuns(const std::vector<ExpectedRun>& rows) {
    pelt::testing::CheckRuns(PELT_LABEL_PROGRAM, rows, {{"{dir}", data_.path().string()}});
  }

  TempDir data_;
  TempDir run_;
};

TEST_F(LabelOptionsTest, LabelsAsAsked) {
  Write("GPKG", "towns.gpkg");
  Write("GPKG", "multi.gpkg", {Towns("towns"), Towns("2")});
  Write(gdal::testing::ShapefileDriver(), "towns.shp.zip");
  const std::string geojson = Write("GeoJSON", "towns.geojson");
  std::ofstream(data_ / "plain.csv") << "Zürich,421878\nŁódź,672185\n";
  const std::string every =
      "ZÜRICH: 421,878 #1\nŁÓDŹ: 672,185 #2\nBERN, \"BE\": 134,591 #3\nTROMSØ: 77,544 #4\n";
  const std::string upper = "[NAME].UCase: [POP].FormatNumber(0) #$$ROW";
  const std::string gpkg = "{dir}/towns.gpkg";
  const std::string rows_fids = "$$ROW/$$FID";
  CheckRuns({
      // Every kind of source (the formats GDAL reads are the adapter's tests).
      {__LINE__, {"label", "--locale", "en_US", gpkg, upper}, 0, every, ""},
      {__LINE__,
       {"label", "--locale", "en_US", "/vsizip/{dir}/towns.shp.zip/towns.shp", upper},
       0,
       every,
       ""},
      {__LINE__,
       {"label", "/vsizip/{dir}/towns.shp.zip", "[POP]"},
       0,
       "421878\n672185\n134591\n77544\n",
       ""},
      {__LINE__,
       {"label", "-", "$$SOURCE [NAME]"},
       0,
       "- Zürich\n- Łódź\n- Bern, \"BE\"\n- Tromsø\n",
       "",
       ReadFile(geojson)},
      {__LINE__,
       {"label", "--open-option", "HEADERS=NO", "{dir}/plain.csv", "[field_1]=[field_2]"},
       0,
       "Zürich=421878\nŁódź=672185\n",
       ""},
      // Locales, reserved words and --set.
      {__LINE__,
       {"label", "--locale", "en_US", gpkg, "[AREA]|[POP].FormatNumber(2)|[FOUNDED]"},
       0,
       "87.88|421,878.00|1/1/1218\n|672,185.00|\n0.5|134,591.00|12/31/2000\n2521|77,544.00|6/20/"
       "1794\n",
       ""},
      {__LINE__,
       {"label", "--locale", "de_DE", gpkg, "[AREA]|[POP].FormatNumber(2)|[FOUNDED]"},
       0,
       "87,88|421.878,00|01.01.1218\n|672.185,00|\n0,5|134.591,00|31.12.2000\n2521|77.544,00|20.06."
       "1794\n",
       ""},
      {__LINE__,
       {"label", "--set", "PAGE_NUMBER=3", "--set", "layer=Mine", "--limit", "2", gpkg,
        "$$page_number/$$LAYER/$$SOURCE/$$FID/$$ROW/$$UNKNOWN."},
       0,
       "3/Mine/towns.gpkg/1/1/.\n3/Mine/towns.gpkg/2/2/.\n",
       ""},
      // Formats; EXPR - from standard input.
      {__LINE__,
       {"label", "--format", "jsonl", "--limit", "3", gpkg, "-"},
       0,
       "{\"fid\": 1, \"label\": \"\\\"Zürich\\\"\"}\n{\"fid\": 2, \"label\": \"\\\"Łódź\\\"\"}\n"
       "{\"fid\": 3, \"label\": \"\\\"Bern, \\\"BE\\\"\\\"\"}\n",
       "",
       "\"[NAME]\"\n"},
      {__LINE__,
       {"label", "--format", "csv", "--fid", "3", gpkg, "-"},
       0,
       "fid,label\n3,\"Bern, \"\"BE\"\"\r\n\"\"line 2\"\"\"\n",
       "",
       "[NAME]\r\n\"line 2\""},
      {__LINE__,
       {"label", "--limit", "1", "-"},
       0,
       "a\\r\\nb\\\\c\n",
       "",
       "a\r\nb\\c"},  // the bundled sample
      // Selections.
      {__LINE__, {"label", gpkg, rows_fids}, 0, "1/1\n2/2\n3/3\n4/4\n", ""},
      {__LINE__, {"label", "--where", "POP > 200000", gpkg, rows_fids}, 0, "1/1\n2/2\n", ""},
      {__LINE__,
       {"label", "--where", "NAME LIKE 'T%' OR POP < 150000", gpkg, rows_fids},
       0,
       "1/3\n2/4\n",
       ""},
      {__LINE__, {"label", "--fid", "3", gpkg, rows_fids}, 0, "1/3\n", ""},
      {__LINE__, {"label", "--limit", "0", gpkg, rows_fids}, 0, "", ""},
      {__LINE__, {"label", "--offset", "1", gpkg, rows_fids}, 0, "1/2\n2/3\n3/4\n", ""},
      {__LINE__, {"label", "--offset", "4", gpkg, rows_fids}, 0, "", ""},
      {__LINE__, {"label", "--offset", "1", "--limit", "2", gpkg, rows_fids}, 0, "1/2\n2/3\n", ""},
      {__LINE__,
       {"label", "--where", "POP < 500000", "--offset", "1", "--limit", "1", gpkg, rows_fids},
       0,
       "1/3\n",
       ""},
      // Layers: a layer named "2" wins over the index 2, which does not exist.
      {__LINE__, {"layers", "{dir}/multi.gpkg"}, 0, "0\ttowns\t4\n1\t2\t4\n", ""},
      {__LINE__,
       {"layers", "--format", "jsonl", "{dir}/multi.gpkg"},
       0,
       "{\"index\": 0, \"name\": \"towns\", \"features\": 4}\n"
       "{\"index\": 1, \"name\": \"2\", \"features\": 4}\n",
       ""},
      {__LINE__,
       {"label", "--layer", "towns", "--limit", "1", "{dir}/multi.gpkg", "$$LAYER"},
       0,
       "towns\n",
       ""},
      {__LINE__,
       {"label", "--layer", "0", "--limit", "1", "{dir}/multi.gpkg", "$$LAYER"},
       0,
       "towns\n",
       ""},
      {__LINE__,
       {"label", "--layer", "2", "--limit", "1", "{dir}/multi.gpkg", "$$LAYER"},
       0,
       "2\n",
       ""},
      {__LINE__,
       {"label", "--layer", "1", "--limit", "1", "{dir}/multi.gpkg", "$$LAYER"},
       0,
       "2\n",
       ""},
      {__LINE__,
       {"label", "--show-messages", "--limit", "1", gpkg, "[NAME]"},
       0,
       "Zürich\n",
       "[information] Valid Expression\nLabeling Instructions:\n\tPUT\tFIELD:NAME,NONE\n[OK]\n"},
  });
}

TEST_F(LabelOptionsTest, RefusesBadUsageWithOneLine) {
  Write("GPKG", "towns.gpkg");
  Write("GPKG", "multi.gpkg", {Towns("a"), Towns("b")});
  const std::string gpkg = "{dir}/towns.gpkg";
  auto usage = [](const std::string& message) {
    return "pelt-label label: " + message + " (see 'pelt-label label --help')\n";
  };
  const std::string set_needs = "--set needs KEY=VALUE with a KEY of letters, digits and _, not ";
  CheckRuns({
      {__LINE__,
       {"label", gpkg, "[NOPE]"},
       1,
       "",
       "pelt-label: Field \"NOPE\" does not exist in attribute table!\n"},
      {__LINE__,
       {"label", gpkg, "[NAME"},
       1,
       "",
       "pelt-label: Missing close bracket(\"]\") on field name.\n"},
      {__LINE__,
       {"label", gpkg, "[geom]"},
       1,
       "",
       "pelt-label: Field \"geom\": geometry and blob field types are not supported by this "
       "tool!\n"},
      {__LINE__,
       {"label", "{dir}/missing.gpkg", "[NAME]"},
       2,
       "",
       "pelt-label: cannot open '{dir}/missing.gpkg': No such file or directory\n"},
      {__LINE__,
       {"label", "--layer", "-1", "{dir}/multi.gpkg", "x"},
       2,
       "",
       "pelt-label: '{dir}/multi.gpkg' has no layer at index -1 (it has 2 layers)\n"},
      {__LINE__, {"label", "--set", "NOVALUE", gpkg, "x"}, 2, "", usage(set_needs + "'NOVALUE'")},
      {__LINE__, {"label", "--set", "A B=1", gpkg, "x"}, 2, "", usage(set_needs + "'A B=1'")},
      {__LINE__,
       {"label", "--set", "A=1", "--set", "a=2", gpkg, "x"},
       2,
       "",
       usage("--set gives a more than once")},
      {__LINE__, {"label", "--locale", "xx_YY", gpkg, "x"}, 2, "", usage("unknown locale 'xx_YY'")},
      {__LINE__,
       {"label", "--format", "xml", gpkg, "x"},
       2,
       "",
       usage("unknown format 'xml', expected text, jsonl or csv")},
      {__LINE__, {"label"}, 2, "", usage("expected [SOURCE] EXPR")},
      {__LINE__, {"label", "a", "b", "c"}, 2, "", usage("expected [SOURCE] EXPR")},
      {__LINE__,
       {"label", "--jobs", "0", gpkg, "x"},
       2,
       "",
       usage("--jobs needs a whole number from 1 to 256, not '0'")},
      {__LINE__,
       {"label", "--jobs", "two", gpkg, "x"},
       2,
       "",
       usage("--jobs needs a whole number from 1 to 256, not 'two'")},
      {__LINE__,
       {"label", "--limit", "-1", gpkg, "x"},
       2,
       "",
       usage("--limit needs a whole number from 0, not '-1'")},
      {__LINE__,
       {"label", "--offset", "1e3", gpkg, "x"},
       2,
       "",
       usage("--offset needs a whole number from 0, not '1e3'")},
      {__LINE__,
       {"label", "--fid", "x", gpkg, "x"},
       2,
       "",
       usage("--fid needs a whole number, not 'x'")},
      {__LINE__,
       {"label", "--fid", "9", gpkg, "x"},
       1,
       "",
       "pelt-label: Layer towns has no feature with id 9\n"},
      {__LINE__,
       {"label", "--fid", "1", "--where", "POP > 1", gpkg, "x"},
       2,
       "",
       usage("--fid cannot be combined with --where")},
      {__LINE__,
       {"label", "--where", "NOPE >", gpkg, "x"},
       2,
       "",
       "pelt-label label: --where 'NOPE >' is refused*"},
      {__LINE__, {"label", "--to", "a.gpkg", gpkg, "x"}, 2, "", usage("--to needs --field NAME")},
      {__LINE__,
       {"label", "--to", "", "--field", "L", gpkg, "x"},
       2,
       "",
       usage("--to needs a file name")},
      {__LINE__, {"label", "--field", "L", gpkg, "x"}, 2, "", usage("--field goes with --to")},
      {__LINE__, {"label", "--overwrite", gpkg, "x"}, 2, "", usage("--overwrite goes with --to")},
      {__LINE__,
       {"label", "--to", "a.gpkg", "--field", "L", "--format", "csv", gpkg, "x"},
       2,
       "",
       usage("--format cannot be combined with --to")},
      {__LINE__,
       {"label", "--to", "a.gpkg", "--field", "NAME", gpkg, "x"},
       2,
       "",
       "pelt-label: layer 'towns' already has a field 'NAME' (choose another --field)\n"},
      {__LINE__,
       {"label", "--to", "a.gpkg", "--field", "", gpkg, "x"},
       2,
       "",
       "pelt-label: the new field needs a name\n"},
      {__LINE__,
       {"label", "--to", "a.x", "--field", "L", "--to-format", "NOPE", gpkg, "x"},
       2,
       "",
       "pelt-label: no GDAL driver 'NOPE' that creates vector data\n"},
      {__LINE__,
       {"label", "--to", "a.tif", "--field", "L", "--to-format", "GTiff", gpkg, "x"},
       2,
       "",
       "pelt-label: no GDAL driver 'GTiff' that creates vector data\n"},
      {__LINE__,
       {"label", "--progress", "--quiet", gpkg, "x"},
       2,
       "",
       usage("--progress cannot be combined with --quiet")},
      {__LINE__,
       {"label", "--open-option", "NOEQUALS", gpkg, "x"},
       2,
       "",
       "pelt-label: open option 'NOEQUALS' is not KEY=VALUE\n"},
      {__LINE__,
       {"label", "--open-option", "=x", gpkg, "x"},
       2,
       "",
       "pelt-label: open option '=x' is not KEY=VALUE\n"},
      {__LINE__,
       {"label", "-", "-"},
       2,
       "",
       usage("SOURCE and EXPR cannot both come from standard input")},
      {__LINE__,
       {"label", "-", "x"},
       2,
       "",
       "pelt-label: cannot open 'standard input': not in a vector data format GDAL can read\n"},
  });
}

TEST_F(LabelOptionsTest, ParallelOutputIsIdentical) {
  const std::string source = WriteBigCsv(data_ / "big.csv", 20000);
  for (const char* format : {"text", "jsonl", "csv"}) {
    SCOPED_TRACE(format);
    std::vector<std::string> args{
        "label",    "--jobs", "1",
        "--format", format,   "--locale",
        "de_DE",    source,   "[NAME].UCase [POP].FormatNumber(2) #$$ROW"};
    const ProgramOutcome one = Run(args);
    args[2] = "4";
    const ProgramOutcome four = Run(args);
    EXPECT_EQ(one.exit_code, 0) << one.err;
    EXPECT_EQ(four.exit_code, 0) << four.err;
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 20000 + (format[0] == 'c' ? 1 : 0));
    EXPECT_TRUE(one.out == four.out) << "the outputs differ";
  }
}

TEST_F(LabelOptionsTest, WritesFilesOnlyWhenComplete) {
  const std::string source = Write("GPKG", "towns.gpkg");
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

  // An existing output is replaced only when asked, and the source never.
  const std::string output = (run_ / "copy.gpkg").string();
  std::ofstream(output) << "precious";
  CheckRuns({
      {__LINE__,
       {"label", "--to", output, "--field", "LBL", source, "[NAME]"},
       2,
       "",
       "pelt-label: '" + output + "' exists already (use --overwrite to replace it)\n"},
      {__LINE__,
       {"label", "--to", source, "--field", "LBL", "--overwrite", source, "[NAME]"},
       2,
       "",
       "pelt-label: '" + source + "' is the source; it is never written to\n"},
  });
  EXPECT_EQ(ReadFile(output), "precious");
  EXPECT_EQ(
      Run({"label", "--to", output, "--field", "LBL", "--overwrite", source, "[NAME]"}).exit_code,
      0);
  EXPECT_EQ(ReadFile(output).substr(0, 15), "SQLite format 3");
}

TEST_F(LabelOptionsTest, InterruptRemovesTheUnfinishedOutput) {
  const std::string source = WriteBigCsv(data_ / "big.csv", 400000);
  struct Row {
    int line;
    std::vector<std::string> output;  // names with a dot are files in a fresh folder
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
    EXPECT_EQ(pelt::testing::SignalWhenFileAppears(PELT_LABEL_PROGRAM, args, out_dir.path(),
                                                   row.temporary_prefix, row.signal_number),
              row.exit_code);
    EXPECT_EQ(pelt::testing::FileNames(out_dir.path()), std::vector<std::string>{})
        << "an unfinished output was left";
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

  const std::filesystem::path locked = run_ / "locked";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  std::vector<ExpectedRun> rows{
      {__LINE__,
       {"label", "--output", "{run}/no/such/labels.txt", source, "[NAME]"},
       1,
       "",
       "pelt-label: cannot write '{run}/no/such/labels.txt': No such file or directory\n"},
      {__LINE__,
       {"label", "--to", "{run}/no/such/copy.gpkg", "--field", "L", source, "[NAME]"},
       1,
       "",
       "pelt-label: cannot write '{run}/no/such/copy.gpkg': No such file or directory\n"},
  };
  // Root writes into the locked folder anyway.
  if (access(locked.c_str(), W_OK) != 0) {
    rows.push_back({__LINE__,
                    {"label", "--output", "{run}/locked/labels.txt", source, "[NAME]"},
                    1,
                    "",
                    "pelt-label: cannot write '{run}/locked/labels.txt': Permission denied\n"});
    rows.push_back({__LINE__,
                    {"label", "--to", "{run}/locked/copy.gpkg", "--field", "L", source, "[NAME]"},
                    1,
                    "",
                    "pelt-label: cannot write '{run}/locked/copy.gpkg': Permission denied\n"});
  }
  pelt::testing::CheckRuns(PELT_LABEL_PROGRAM, rows, {{"{run}", run_.path().string()}});
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

}  // namespace
}  // namespace pelt::tools
