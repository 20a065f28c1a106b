// Runs "pelt-label verify" as a script would: arguments without a shell,
// standard input from a file, and checks standard output, standard error and
// the exit status.

#include <gtest/gtest.h>

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

constexpr const char* kParsed = "Successfully created formatting statement\n";
constexpr const char* kBlob =
    "Field \"PICTURE\": geometry and blob field types are not supported by this tool!\n";

class VerifyCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", dir_ / "places.gpkg",
        {LayerDef{"places",
                  {{"NAME", OFTString}, {"Straße", OFTInteger}, {"PICTURE", OFTBinary}},
                  {},
                  wkbPoint,
                  {}}}));
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", dir_ / "two.gpkg",
        {LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbLineString, {}},
         LayerDef{"rivers", {{"LENGTH", OFTReal}}, {}, wkbLineString, {}}}));
  }

  // Every row's args follow "verify"; {dir} and {sample} are filled in.
  void CheckRows(std::vector<ExpectedRun> rows) {
    for (ExpectedRun& row : rows) row.args.insert(row.args.begin(), "verify");
    pelt::testing::CheckRuns(
        PELT_LABEL_PROGRAM, rows,
        {{"{dir}", dir_.path().string()}, {"{sample}", PELT_SAMPLE_IN_SOURCE_TREE}});
  }

  pelt::testing::TempDir dir_;
};

TEST_F(VerifyCommandTest, PrintsTheMessageAndExitsWithTheVerdict) {
  CheckRows({
      {__LINE__, {"{sample}", "Page $$PAGE_NUMBER: [NAME].UCase.Left(2)"}, 0, kParsed, ""},
      {__LINE__,
       {"{sample}", "[NAME] [geom]"},
       1,
       "Field \"geom\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"{sample}", "[MISSING][PHOTO]"},
       1,
       "Field \"MISSING\" does not exist in attribute table!\n",
       ""},
      {__LINE__, {"{dir}/places.gpkg", "[Straße].Round(0) [NAME]"}, 0, kParsed, ""},
      {__LINE__, {"{dir}/places.gpkg", "[PICTURE]"}, 1, kBlob, ""},
      {__LINE__, {"--layer", "rivers", "{dir}/two.gpkg", "[LENGTH].Round(1) km"}, 0, kParsed, ""},
      {__LINE__,
       {"{dir}/two.gpkg", "[LENGTH]", "--layer=roads"},
       1,
       "Field \"LENGTH\" does not exist in attribute table!\n",
       ""},
      {__LINE__, {"--no-table", "Page $$PAGE_NUMBER"}, 0, "Expression is Valid!\n", ""},
      {__LINE__,
       {"--no-table", "[NAME]"},
       1,
       "Field \"[NAME]\" is invalid in scope of expression!\n",
       ""},
      {__LINE__, {"--no-table", "--", "-x"}, 0, "Expression is Valid!\n", ""},
      // The boxes on standard error when asked.
      {__LINE__,
       {"--show-messages", "{sample}", "Page [NAME].UCase.Left(2) $$PAGE_NUMBER"},
       0,
       kParsed,
       "[information] Valid Expression\nLabeling Instructions:\n\tPUT\tTEXT:\"Page "
       "\"\n\tAND\tFIELD:NAME,UCase\n"
       "\t\t\tFORMAT:Left,2,\n\tAND\tTEXT:\" \"\n\tAND\tRESERVEDWORD:PAGE_NUMBER\n[OK]\n"},
      {__LINE__,
       {"-s", "--no-table", "[]"},
       1,
       "Empty Field name brackets (\"[ ]\")!\n",
       "[error] Invalid Expression!\nEmpty Field name brackets (\"[ ]\")!\n[OK]\n"},
      {__LINE__, {"--help"}, 0, "Usage: pelt-label verify [--layer NAME]*", ""},
  });
}

TEST_F(VerifyCommandTest, ReadsTheExpressionFromStandardInput) {
  CheckRows({
      {__LINE__,
       {"--no-table", "-"},
       0,
       "Expression is Valid!\n",
       "",
       "Line one\r\nLine two $$X\n"},
      {__LINE__,
       {"-s", "--no-table", "-"},
       0,
       "Expression is Valid!\n",
       "[information] Valid Expression\nLabeling Instructions:\n\tPUT\tTEXT:\"a\tb\n\"\n[OK]\n",
       "a\tb\n\n"},
      {__LINE__, {"{sample}", "-"}, 0, kParsed, "", "[NAME].Replace(a,\"b\")\r\n"},
      {__LINE__,
       {"{sample}", "-"},
       1,
       "Improper \".Left(0)\" formatting statement after [NAME] Field!\n",
       "",
       "[NAME].Left(x)\n"},
      {__LINE__, {"{sample}", "-"}, 0, kParsed, "", "\xff\xfe[NAME]"},  // ill-formed UTF-8
      {__LINE__, {"--no-table", "-"}, 1, "Expression is empty.\n", "", ""},
      {__LINE__, {"--no-table", "-"}, 1, "Expression is empty.\n", "", "\n"},
  });
}

TEST_F(VerifyCommandTest, RefusesBadUsageAndUnreadableSources) {
  auto usage = [](const std::string& message) {
    return "pelt-label verify: " + message + " (see 'pelt-label verify --help')\n";
  };
  CheckRows({
      {__LINE__, {}, 2, "", usage("expects SOURCE and EXPR, got 0 operands")},
      {__LINE__, {"{sample}"}, 2, "", usage("expects SOURCE and EXPR, got 1 operand")},
      {__LINE__,
       {"{sample}", "[NAME]", "extra"},
       2,
       "",
       usage("expects SOURCE and EXPR, got 3 operands")},
      {__LINE__,
       {"--no-table", "{sample}", "[NAME]"},
       2,
       "",
       usage("expects EXPR, got 2 operands")},
      {__LINE__,
       {"--no-table", "--layer", "x", "abc"},
       2,
       "",
       usage("--layer cannot be combined with --no-table")},
      {__LINE__, {"--bogus", "{sample}", "abc"}, 2, "", usage("unknown option '--bogus'")},
      {__LINE__,
       {"{dir}/missing.gpkg", "abc"},
       2,
       "",
       "pelt-label: cannot open '{dir}/missing.gpkg': No such file or directory\n"},
  });
}

TEST_F(VerifyCommandTest, BatchGivesOneVerdictPerLine) {
  std::ofstream(dir_ / "batch.txt", std::ios::binary) << "[NAME]\r\n[NOPE]\n\n[NAME\n";
  CheckRows({
      {__LINE__,
       {"--batch", "{dir}/batch.txt", "{dir}/places.gpkg"},
       1,
       "1\tvalid\tSuccessfully created formatting statement\n"
       "2\tinvalid\tField \"NOPE\" does not exist in attribute table!\n"
       "3\tinvalid\tExpression is empty.\n"
       "4\tinvalid\tMissing close bracket(\"]\") on field name.\n",
       ""},
      {__LINE__,
       {"--batch", "-", "--format", "jsonl", "{dir}/places.gpkg"},
       1,
       "{\"line\": 1, \"valid\": true, \"message\": \"Successfully created formatting "
       "statement\"}\n"
       "{\"line\": 2, \"valid\": false, \"message\": \"Field \\\"NOPE\\\" does not exist in "
       "attribute table!\"}\n",
       "",
       "[NAME]\n[NOPE]"},
      {__LINE__,
       {"-b", "-", "{dir}/places.gpkg"},
       0,
       "1\tvalid\tSuccessfully created formatting statement\n2\tvalid\t*",
       "",
       "[NAME]\nx$$Y\n"},
      {__LINE__, {"--batch", "-", "{dir}/places.gpkg"}, 0, "", "", ""},
      {__LINE__,
       {"--batch", "{dir}/missing.txt", "{dir}/places.gpkg"},
       2,
       "",
       "pelt-label: cannot read '{dir}/missing.txt': No such file or directory\n"},
      {__LINE__,
       {"--batch", "-", "-"},
       2,
       "",
       "pelt-label verify: SOURCE and FILE cannot both come from standard input*"},
      {__LINE__,
       {"--batch", "-", "--no-table"},
       2,
       "",
       "pelt-label verify: --batch cannot be combined with --no-table*"},
      {__LINE__,
       {"--batch", "-", "--format", "xml", "{dir}/places.gpkg"},
       2,
       "",
       "pelt-label verify: unknown format 'xml', expected text or jsonl*"},
      {__LINE__,
       {"--format", "jsonl", "{dir}/places.gpkg", "[NAME]"},
       2,
       "",
       "pelt-label verify: --format goes with --batch*"},
  });
}

}  // namespace
}  // namespace pelt::tools
