// Runs "pelt-label verify" as a script would: arguments without a shell,
// standard input from a file, and checks standard output, standard error and
// the exit status.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "adapters/gdal/test_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

using gdal::testing::FieldDef;
using gdal::testing::LayerDef;
using pelt::testing::TempDir;

using pelt::testing::ExpectText;
using ProgramRun = pelt::testing::ProgramOutcome;

std::string Substituted(const std::string& text, const std::string& from, const std::string& to) {
  return pelt::testing::ReplaceAll(text, from, to);
}

// Runs pelt-label with args; standard input is input (or empty).
ProgramRun RunPeltLabel(const std::vector<std::string>& args, const std::string& input,
                        const TempDir& dir) {
  return pelt::testing::RunProgram(PELT_LABEL_PROGRAM, args, dir, {input, std::nullopt});
}

class VerifyCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdal::testing::WriteDataset("GPKG", dir_ / "places.gpkg",
                                            {LayerDef{"places",
                                                      {{"NAME", OFTString},
                                                       {"Stra\xc3\x9f"
                                                        "e",
                                                        OFTInteger},
                                                       {"PICTURE", OFTBinary}},
                                                      {},
                                                      wkbPoint,
                                                      {}}}));
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", dir_ / "two.gpkg",
        {LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbLineString, {}},
         LayerDef{"rivers", {{"LENGTH", OFTReal}}, {}, wkbLineString, {}}}));
    std::ofstream(dir_ / "broken.gpkg", std::ios::binary) << "this is not a GeoPackage";
  }

  struct Row {
    int line;
    std::vector<std::string> args;  // {dir} and {sample} are filled in
    std::optional<std::string> input;
    int exit_code;
    std::string out;
    std::string err;
  };

  void CheckRows(const std::vector<Row>& rows) {
    const std::string sample = PELT_SAMPLE_IN_SOURCE_TREE;
    for (const Row& row : rows) {
      SCOPED_TRACE(row.line);
      std::vector<std::string> args{"verify"};
      for (const std::string& arg : row.args) {
        args.push_back(
            Substituted(Substituted(arg, "{dir}", dir_.path().string()), "{sample}", sample));
      }
      const ProgramRun run = RunPeltLabel(args, row.input.value_or(""), scratch_);
      EXPECT_EQ(run.exit_code, row.exit_code);
      ExpectText(run.out, row.out, "standard output");
      ExpectText(run.err, Substituted(row.err, "{dir}", dir_.path().string()), "standard error");
    }
  }

  TempDir dir_;
  TempDir scratch_;
};

constexpr const char* kParsed = "Successfully created formatting statement\n";

TEST_F(VerifyCommandTest, PrintsTheMessageAndExitsWithTheVerdict) {
  CheckRows({
      {__LINE__, {"{sample}", "Page $$PAGE_NUMBER: [NAME].UCase.Left(2)"}, {}, 0, kParsed, ""},
      {__LINE__,
       {"{sample}", "[COUNTRY] [POPULATION].FormatNumber(0) [SURVEYED]"},
       {},
       0,
       kParsed,
       ""},
      {__LINE__,
       {"{sample}", "[PHOTO]"},
       {},
       1,
       "Field \"PHOTO\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"{sample}", "[NAME] [geom]"},
       {},
       1,
       "Field \"geom\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"{sample}", "[MISSING][PHOTO]"},
       {},
       1,
       "Field \"MISSING\" does not exist in attribute table!\n",
       ""},
      {__LINE__,
       {"{sample}", "[NAME].Left(x)"},
       {},
       1,
       "Improper \".Left(0)\" formatting statement after [NAME] Field!\n",
       ""},
      {__LINE__, {"{sample}", ""}, {}, 1, "Expression is empty.\n", ""},
      {__LINE__,
       {"{dir}/places.gpkg",
        "[Stra\xc3\x9f"
        "e].Round(0) [NAME]"},
       {},
       0,
       kParsed,
       ""},
      {__LINE__,
       {"{dir}/places.gpkg", "[PICTURE]"},
       {},
       1,
       "Field \"PICTURE\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"--layer", "rivers", "{dir}/two.gpkg", "[LENGTH].Round(1) km"},
       {},
       0,
       kParsed,
       ""},
      {__LINE__,
       {"{dir}/two.gpkg", "[LENGTH]", "--layer=roads"},
       {},
       1,
       "Field \"LENGTH\" does not exist in attribute table!\n",
       ""},
      {__LINE__, {"--no-table", "Page $$PAGE_NUMBER"}, {}, 0, "Expression is Valid!\n", ""},
      {__LINE__,
       {"--no-table", "[NAME]"},
       {},
       1,
       "Field \"[NAME]\" is invalid in scope of expression!\n",
       ""},
      {__LINE__, {"--no-table", "--", "-x"}, {}, 0, "Expression is Valid!\n", ""},
  });
}

TEST_F(VerifyCommandTest, ShowsTheBoxesOnStandardErrorWhenAsked) {
  CheckRows({
      {__LINE__,
       {"--show-messages", "{sample}", "Page [NAME].UCase.Left(2) $$PAGE_NUMBER"},
       {},
       0,
       kParsed,
       "[information] Valid Expression\n"
       "Labeling Instructions:\n"
       "\tPUT\tTEXT:\"Page \"\n"
       "\tAND\tFIELD:NAME,UCase\n"
       "\t\t\tFORMAT:Left,2,\n"
       "\tAND\tTEXT:\" \"\n"
       "\tAND\tRESERVEDWORD:PAGE_NUMBER\n"
       "[OK]\n"},
      {__LINE__,
       {"-s", "--no-table", "[]"},
       {},
       1,
       "Empty Field name brackets (\"[ ]\")!\n",
       "[error] Invalid Expression!\nEmpty Field name brackets (\"[ ]\")!\n[OK]\n"},
  });
}

TEST_F(VerifyCommandTest, ReadsTheExpressionFromStandardInput) {
  CheckRows({
      {__LINE__,
       {"--no-table", "-"},
       "Line one\r\nLine two $$X\n",
       0,
       "Expression is Valid!\n",
       ""},
      {__LINE__,
       {"-s", "--no-table", "-"},
       "a\tb\n\n",
       0,
       "Expression is Valid!\n",
       "[information] Valid Expression\nLabeling Instructions:\n\tPUT\tTEXT:\"a\tb\n\"\n[OK]\n"},
      {__LINE__, {"{sample}", "-"}, "[NAME].Replace(a,\"b\")\r\n", 0, kParsed, ""},
      {__LINE__,
       {"{sample}", "-"},
       "[NAME].Left(x)\n",
       1,
       "Improper \".Left(0)\" formatting statement after [NAME] Field!\n",
       ""},
      {__LINE__, {"{sample}", "-"}, "\xff\xfe[NAME]", 0, kParsed, ""},  // ill-formed UTF-8
      {__LINE__, {"--no-table", "-"}, "", 1, "Expression is empty.\n", ""},
      {__LINE__, {"--no-table", "-"}, "\n", 1, "Expression is empty.\n", ""},
  });
}

TEST_F(VerifyCommandTest, RefusesBadUsageAndUnreadableSources) {
  CheckRows({
      {__LINE__,
       {},
       {},
       2,
       "",
       "pelt-label verify: expects SOURCE and EXPR, got 0 operands (see 'pelt-label verify "
       "--help')\n"},
      {__LINE__,
       {"{sample}"},
       {},
       2,
       "",
       "pelt-label verify: expects SOURCE and EXPR, got 1 operand*"},
      {__LINE__,
       {"{sample}", "[NAME]", "extra"},
       {},
       2,
       "",
       "pelt-label verify: expects SOURCE and EXPR, got 3*"},
      {__LINE__,
       {"--no-table", "{sample}", "[NAME]"},
       {},
       2,
       "",
       "pelt-label verify: expects EXPR, got 2 operands*"},
      {__LINE__,
       {"--no-table", "--layer", "x", "abc"},
       {},
       2,
       "",
       "pelt-label verify: --layer cannot be combined with --no-table*"},
      {__LINE__, {"--bogus", "{sample}", "abc"}, {}, 2, "", "pelt-label verify: unknown option*"},
      {__LINE__,
       {"{dir}/missing.gpkg", "abc"},
       {},
       2,
       "",
       "pelt-label: cannot open '{dir}/missing.gpkg'*"},
      {__LINE__, {"{dir}/broken.gpkg", "abc"}, {}, 2, "", "pelt-label: *"},
      {__LINE__,
       {"{dir}/two.gpkg", "abc"},
       {},
       2,
       "",
       "pelt-label: '{dir}/two.gpkg' has 2 layers*"},
      {__LINE__, {"--layer", "lakes", "{dir}/two.gpkg", "abc"}, {}, 2, "", "pelt-label: *"},
  });
  // Each problem is one line.
  const ProgramRun run =
      RunPeltLabel({"verify", (dir_ / "missing.gpkg").string(), "abc"}, "", scratch_);
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(VerifyCommandTest, ExplainsItself) {
  CheckRows({{__LINE__, {"--help"}, {}, 0, "Usage: pelt-label verify [--layer NAME]*", ""}});
  const ProgramRun overview = RunPeltLabel({"--help"}, "", scratch_);
  EXPECT_NE(overview.out.find("  verify  "), std::string::npos) << overview.out;
}

TEST_F(VerifyCommandTest, BatchGivesOneVerdictPerLine) {
  std::ofstream(dir_ / "batch.txt", std::ios::binary) << "[NAME]\r\n[NOPE]\n\n[NAME\n";
  CheckRows({
      {__LINE__, {"--batch", "{dir}/batch.txt", "{dir}/places.gpkg"}, std::nullopt, 1,
       "1\tvalid\tSuccessfully created formatting statement\n"
       "2\tinvalid\tField \"NOPE\" does not exist in attribute table!\n"
       "3\tinvalid\tExpression is empty.\n"
       "4\tinvalid\tMissing close bracket(\"]\") on field name.\n",
       ""},
      {__LINE__, {"--batch", "-", "--format", "jsonl", "{dir}/places.gpkg"}, "[NAME]\n[NOPE]", 1,
       "{\"line\": 1, \"valid\": true, \"message\": \"Successfully created formatting "
       "statement\"}\n"
       "{\"line\": 2, \"valid\": false, \"message\": \"Field \\\"NOPE\\\" does not exist in "
       "attribute table!\"}\n",
       ""},
      {__LINE__, {"-b", "-", "{dir}/places.gpkg"}, "[NAME]\nx$$Y\n", 0,
       "1\tvalid\tSuccessfully created formatting statement\n2\tvalid\t*", ""},
      {__LINE__, {"--batch", "-", "{dir}/places.gpkg"}, "", 0, "", ""},
      {__LINE__, {"--batch", "{dir}/missing.txt", "{dir}/places.gpkg"}, std::nullopt, 2, "",
       "pelt-label: cannot read '{dir}/missing.txt': No such file or directory\n"},
      {__LINE__, {"--batch", "-", "-"}, std::nullopt, 2, "",
       "pelt-label verify: SOURCE and FILE cannot both come from standard input*"},
      {__LINE__, {"--batch", "-", "--no-table"}, std::nullopt, 2, "",
       "pelt-label verify: --batch cannot be combined with --no-table*"},
      {__LINE__, {"--batch", "-", "--format", "xml", "{dir}/places.gpkg"}, std::nullopt, 2, "",
       "pelt-label verify: unknown format 'xml', expected text or jsonl*"},
      {__LINE__, {"--format", "jsonl", "{dir}/places.gpkg", "[NAME]"}, std::nullopt, 2, "",
       "pelt-label verify: --format goes with --batch*"},
  });
}

}  // namespace
}  // namespace pelt::tools
