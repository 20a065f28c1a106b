// Runs the built pelt-label program as a script calling it would: the cases
// of program.runs (its own arguments and the fields command), verify.runs
// and format.runs, and an installed copy reading its own sample.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/gdal_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/transcript.h"

namespace pelt::tools {
namespace {

using gdal::testing::LayerDef;
using pelt::testing::TempDir;

class PeltLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", data_ / "places.gpkg",
        {LayerDef{"places",
                  {{"NAME", OFTString}, {"Straße", OFTInteger}, {"PICTURE", OFTBinary}},
                  {},
                  wkbPoint,
                  {}}}));
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", data_ / "two.gpkg",
        {LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbLineString, {}},
         LayerDef{"rivers",
                  {{"NAME", OFTString}, {"Straße", OFTInteger}, {"LENGTH", OFTReal}},
                  {},
                  wkbLineString,
                  {}}}));
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GeoJSON", data_ / "odd.geojson",
        {LayerDef{
            "odd",
            {{"say \"hi\"", OFTString}, {"back\\slash", OFTInteger64}, {"tab\there", OFTDateTime}},
            {{{"x", "1", "2024-01-01 00:00:00"}, "POINT (0 0)"}},
            wkbPoint,
            {}}}));
    std::ofstream(data_ / "batch.txt", std::ios::binary) << "[NAME]\r\n[NOPE]\n\n[NAME\n";
  }
  void RunTranscript(const std::string& name) {
    pelt::testing::RunTranscript(
        PELT_LABEL_PROGRAM, PELT_TOOLS_TESTS "/" + name,
        {{"dir", data_.path().string()}, {"sample", PELT_SAMPLE_IN_SOURCE_TREE}});
  }

  TempDir data_;
};

TEST_F(PeltLabelTest, ProgramAndFieldsTranscript) { RunTranscript("program.runs"); }
TEST_F(PeltLabelTest, VerifyTranscript) { RunTranscript("verify.runs"); }
TEST_F(PeltLabelTest, FormatTranscript) { RunTranscript("format.runs"); }

TEST(InstalledPeltLabelTest, ReadsTheInstalledSample) {
  // Lay out an installation: the program in bin/, a sample of its own
  // under share/. The source tree's sample must not be used then.
  TempDir prefix;
  const std::filesystem::path program = prefix / "bin" / "pelt-label";
  std::filesystem::create_directories(program.parent_path());
  std::filesystem::copy_file(PELT_LABEL_PROGRAM, program);
  const std::filesystem::path sample =
      (program.parent_path() / PELT_SAMPLE_FROM_PROGRAM_DIRECTORY).lexically_normal();
  std::filesystem::create_directories(sample.parent_path());
  ASSERT_TRUE(gdal::testing::WriteDataset(
      "GPKG", sample, {LayerDef{"installed", {{"ONLY_HERE", OFTDate}}, {}, wkbNone, {}}}));
  const pelt::testing::ProgramOutcome outcome =
      pelt::testing::RunProgram(program.string(), {"fields"}, prefix);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.out, "fid\t6\tObjectId\nONLY_HERE\t5\tDate\n");
  EXPECT_EQ(outcome.err,
            "pelt-label: no SOURCE given: using the bundled sample '" + sample.string() + "'\n");
}

}  // namespace
}  // namespace pelt::tools
