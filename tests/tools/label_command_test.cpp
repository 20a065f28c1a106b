// pelt-label label, run as a user runs it: the labels of real files in the
// formats GDAL writes, in two locales, and its bad inputs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "adapters/gdal/test_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

using gdal::testing::FeatureDef;
using gdal::testing::FieldDef;
using gdal::testing::LayerDef;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::RunProgram;
using pelt::testing::TempDir;

LayerDef Towns() {
  LayerDef layer;
  layer.name = "towns";
  layer.fields = {{"NAME", OFTString}, {"POP", OFTInteger}, {"AREA", OFTReal}, {"FOUNDED", OFTDate}};
  layer.features = {
      {{"Zürich", "421878", "87.88", "1218-01-01"}, "POINT (8.54 47.37)"},
      {{"Łódź", "672185", std::nullopt, std::nullopt}, "POINT (19.46 51.76)"},
      {{"Line\\Break", std::nullopt, "0.5", "2000-12-31"}, "POINT (0 0)"},
  };
  return layer;
}

class LabelCommandTest : public ::testing::Test {
 protected:
  ProgramOutcome Run(std::vector<std::string> args,
                     const std::optional<std::string>& stdin_text = std::nullopt) {
    args.insert(args.begin(), "label");
    return RunProgram(PELT_LABEL_PROGRAM, args, run_, {stdin_text, std::nullopt});
  }
  std::string Write(const std::string& driver, const std::string& file) {
    const std::filesystem::path path = data_ / file;
    LayerDef layer = Towns();
    // Shapefiles default to Latin-1, which has no "Ł".
    if (driver == gdal::testing::ShapefileDriver()) layer.options.push_back("ENCODING=UTF-8");
    EXPECT_TRUE(gdal::testing::WriteDataset(driver, path, {layer}));
    return path.string();
  }

  TempDir data_;
  TempDir run_;
};

TEST_F(LabelCommandTest, LabelsEveryFeatureInEveryFormat) {
  struct Row {
    int line;
    const char* driver;
    const char* file;
  } rows[] = {
      {__LINE__, "GPKG", "towns.gpkg"},
      {__LINE__, gdal::testing::ShapefileDriver().c_str(), "towns.shp"},
      {__LINE__, "GeoJSON", "towns.geojson"},
      {__LINE__, "CSV", "towns.csv"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::string source = Write(row.driver, row.file);
    const ProgramOutcome en =
        Run({"--locale", "en_US", source, "[NAME].UCase: [POP].FormatNumber(0) #$$ROW"});
    EXPECT_EQ(en.exit_code, 0) << en.err;
    EXPECT_EQ(en.out, "ZÜRICH: 421,878 #1\nŁÓDŹ: 672,185 #2\nLINE\\\\BREAK:  #3\n");
    EXPECT_EQ(en.err, "");
  }
}

TEST_F(LabelCommandTest, FollowsTheLocale) {
  const std::string source = Write("GPKG", "towns.gpkg");
  struct Row {
    int line;
    const char* locale;
    const char* expected;
  } rows[] = {
      {__LINE__, "en_US", "87.88|421,878.00|1/1/1218\n|672,185.00|\n0.5||12/31/2000\n"},
      {__LINE__, "de_DE", "87,88|421.878,00|01.01.1218\n|672.185,00|\n0,5||31.12.2000\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome outcome =
        Run({"--locale", row.locale, source, "[AREA]|[POP].FormatNumber(2)|[FOUNDED]"});
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.out, row.expected);
  }
}

TEST_F(LabelCommandTest, ReservedWordsAndSetOverrides) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const ProgramOutcome outcome =
      Run({"--set", "PAGE_NUMBER=3", "--set", "layer=Mine", source,
           "$$page_number/$$LAYER/$$SOURCE/$$FID/$$ROW/$$UNKNOWN."});
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out,
            "3/Mine/towns.gpkg/1/1/.\n3/Mine/towns.gpkg/2/2/.\n3/Mine/towns.gpkg/3/3/.\n");
}

TEST_F(LabelCommandTest, JsonLinesAndEscapes) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const ProgramOutcome outcome =
      Run({"--format", "jsonl", source, "-"}, std::string("\"[NAME]\"\n"));
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out,
            "{\"fid\": 1, \"label\": \"\\\"Zürich\\\"\"}\n"
            "{\"fid\": 2, \"label\": \"\\\"Łódź\\\"\"}\n"
            "{\"fid\": 3, \"label\": \"\\\"Line\\\\Break\\\"\"}\n");
}

TEST_F(LabelCommandTest, NewlinesInLabelsAreEscapedInText) {
  const ProgramOutcome outcome = Run({"-"}, std::string("a\r\nb\\c"));
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  const std::string line = "a\\r\\nb\\\\c\n";
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += line;  // the bundled sample has ten places
  EXPECT_EQ(outcome.out, expected);
}

TEST_F(LabelCommandTest, OutputFileAppearsOnlyWhenComplete) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const std::filesystem::path output = run_ / "labels.txt";
  const ProgramOutcome outcome = Run({"--output", output.string(), source, "[NAME]"});
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(ReadFile(output), "Zürich\nŁódź\nLine\\\\Break\n");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(run_.path())) {
    ++files;
  }
  EXPECT_EQ(files, 3u) << "labels.txt, stdout.txt, stderr.txt and no temporary left";
}

TEST_F(LabelCommandTest, BadInputs) {
  const std::string source = Write("GPKG", "towns.gpkg");
  struct Row {
    int line;
    std::vector<std::string> args;
    int exit_code;
    const char* error_start;
  } rows[] = {
      {__LINE__, {source, "[NOPE]"}, 1,
       "pelt-label: Field \"NOPE\" does not exist in attribute table!"},
      {__LINE__, {source, "[NAME"}, 1, "pelt-label: Missing close bracket(\"]\") on field name."},
      {__LINE__, {source, "[geom]"}, 1, "pelt-label: Field \"geom\": geometry and blob"},
      {__LINE__, {"--layer", "nope", source, "[NAME]"}, 2, "pelt-label: "},
      {__LINE__, {(data_ / "missing.gpkg").string(), "[NAME]"}, 2, "pelt-label: cannot open"},
      {__LINE__, {data_.path().string(), "[NAME]"}, 2, "pelt-label: "},
      {__LINE__, {"--set", "NOVALUE", source, "x"}, 2, "pelt-label label: --set needs KEY=VALUE"},
      {__LINE__, {"--set", "A B=1", source, "x"}, 2, "pelt-label label: --set needs KEY=VALUE"},
      {__LINE__, {"--set", "A=1", "--set", "a=2", source, "x"}, 2,
       "pelt-label label: --set gives a more than once"},
      {__LINE__, {"--locale", "xx_YY", source, "x"}, 2, "pelt-label label: unknown locale"},
      {__LINE__, {"--format", "xml", source, "x"}, 2, "pelt-label label: unknown format"},
      {__LINE__, {}, 2, "pelt-label label: expected [SOURCE] EXPR"},
      {__LINE__, {"a", "b", "c"}, 2, "pelt-label label: expected [SOURCE] EXPR"},
      {__LINE__, {"--output", (data_ / "no" / "such" / "dir.txt").string(), source, "x"}, 1,
       "pelt-label: cannot write"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome outcome = Run(row.args);
    EXPECT_EQ(outcome.exit_code, row.exit_code) << outcome.err;
    EXPECT_EQ(outcome.err.substr(0, std::string(row.error_start).size()), row.error_start)
        << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
}

TEST_F(LabelCommandTest, ShowMessagesPrintsTheBoxesOnStandardError) {
  const std::string source = Write("GPKG", "towns.gpkg");
  const ProgramOutcome outcome = Run({"--show-messages", source, "[NAME]"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_NE(outcome.err.find("[information] Valid Expression\nLabeling Instructions:"),
            std::string::npos)
      << outcome.err;
}

}  // namespace
}  // namespace pelt::tools
