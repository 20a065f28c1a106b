// Runs the built pelt-label program and checks what it prints and how it
// exits, as a script calling it would see it.

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "adapters/gdal/test_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

using gdal::testing::FieldDef;
using gdal::testing::LayerDef;
using pelt::testing::TempDir;

using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::RunProgram;
using Outcome = ProgramOutcome;

std::string Substituted(const std::string& text, const std::string& dir) {
  return pelt::testing::ReplaceAll(text, "{dir}", dir);
}

using pelt::testing::ExpectText;

constexpr const char* kSampleFields =
    "fid\t6\tObjectId\n"
    "NAME\t4\tString\n"
    "COUNTRY\t4\tString\n"
    "POPULATION\t1\tInteger\n"
    "ELEVATION\t0\tSmallInteger\n"
    "AREA_KM2\t3\tDouble\n"
    "MEAN_TEMP\t2\tSingle\n"
    "CAPITAL\t0\tSmallInteger\n"
    "SURVEYED\t5\tDate\n"
    "UPDATED\t5\tDate\n"
    "PHOTO\t8\tBlob\n"
    "geom\t7\tGeometry\n";

class PeltLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<FieldDef> name_field = {{"NAME", OFTString}};
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", data_ / "multi.gpkg",
        {LayerDef{"roads", name_field, {}, wkbLineString, {}},
         LayerDef{"rivers", {{"NAME", OFTString}, {"Straße", OFTInteger}}, {}, wkbLineString,
                  {}}}));
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GeoJSON", data_ / "odd.geojson",
        {LayerDef{"odd",
                  {{"say \"hi\"", OFTString}, {"back\\slash", OFTInteger64},
                   {"tab\there", OFTDateTime}, {"Zürich", OFTReal}},
                  {{{"x", "1", "2024-01-01 00:00:00", "0.5"}, "POINT (0 0)"}},
                  wkbPoint,
                  {}}}));
    std::ofstream(data_ / "garbage.gpkg") << "not a GeoPackage";
    std::filesystem::create_directory(data_ / "folder");
  }

  TempDir data_;
  TempDir run_;
};

TEST_F(PeltLabelTest, FieldsCommand) {
  struct Row {
    int line;
    std::vector<std::string> args;
    int exit_code;
    std::string out;  // "{dir}" is the data folder; a final "*" makes a prefix
    std::string err;
  };
  const Row rows[] = {
      // The bundled sample when no source is named.
      {__LINE__, {"fields"}, 0, kSampleFields, ""},
      {__LINE__, {"fields", "--format=jsonl"}, 0,
       "{\"name\": \"fid\", \"type\": 6, \"type_name\": \"ObjectId\"}\n"
       "{\"name\": \"NAME\", \"type\": 4, \"type_name\": \"String\"}\n*",
       ""},
      {__LINE__, {"fields", "-f", "jsonl", "{dir}/odd.geojson"}, 0,
       "{\"name\": \"say \\\"hi\\\"\", \"type\": 4, \"type_name\": \"String\"}\n"
       "{\"name\": \"back\\\\slash\", \"type\": 1, \"type_name\": \"Integer\"}\n"
       "{\"name\": \"tab\\there\", \"type\": 5, \"type_name\": \"Date\"}\n"
       "{\"name\": \"Zürich\", \"type\": 3, \"type_name\": \"Double\"}\n"
       "{\"name\": \"Shape\", \"type\": 7, \"type_name\": \"Geometry\"}\n",
       ""},
      {__LINE__, {"fields", "--layer", "rivers", "{dir}/multi.gpkg"}, 0,
       "fid\t6\tObjectId\nNAME\t4\tString\nStraße\t1\tInteger\ngeom\t7\tGeometry\n", ""},
      {__LINE__, {"fields", "{dir}/multi.gpkg", "-lroads"}, 0,
       "fid\t6\tObjectId\nNAME\t4\tString\ngeom\t7\tGeometry\n", ""},
      {__LINE__, {"fields", "--help"}, 0, "Usage: pelt-label fields [--layer NAME]*", ""},
      {__LINE__, {"help", "fields"}, 0, "Usage: pelt-label fields [--layer NAME]*", ""},

      // Sources that cannot be read.
      {__LINE__, {"fields", "{dir}/missing.gpkg"}, 2, "",
       "pelt-label: cannot open '{dir}/missing.gpkg': No such file or directory\n"},
      {__LINE__, {"fields", "{dir}/folder"}, 2, "",
       "pelt-label: cannot open '{dir}/folder': a directory without vector data GDAL can read\n"},
      {__LINE__, {"fields", "{dir}/garbage.gpkg"}, 2, "",
       "pelt-label: cannot open '{dir}/garbage.gpkg': not in a vector data format GDAL can "
       "read\n"},
      {__LINE__, {"fields", "{dir}/multi.gpkg"}, 2, "",
       "pelt-label: '{dir}/multi.gpkg' has 2 layers, choose one of: 'roads', 'rivers' (use "
       "--layer NAME or INDEX)\n"},
      {__LINE__, {"fields", "--layer", "lakes", "{dir}/multi.gpkg"}, 2, "",
       "pelt-label: '{dir}/multi.gpkg' has no layer 'lakes' (its layers: 'roads', 'rivers')\n"},
      // After "--" an argument that looks like an option is a source.
      {__LINE__, {"fields", "--", "--layer"}, 2, "",
       "pelt-label: cannot open '--layer': No such file or directory\n"},

      // Bad usage.
      {__LINE__, {"fields", "--colour"}, 2, "",
       "pelt-label fields: unknown option '--colour' (see 'pelt-label fields --help')\n"},
      {__LINE__, {"fields", "--format", "xml"}, 2, "",
       "pelt-label fields: unknown format 'xml', expected text or jsonl (see 'pelt-label "
       "fields --help')\n"},
      {__LINE__, {"fields", "--layer"}, 2, "",
       "pelt-label fields: option --layer needs a value (NAME|INDEX) (see 'pelt-label fields "
       "--help')\n"},
      {__LINE__, {"fields", "-l", "a", "--layer=b"}, 2, "",
       "pelt-label fields: option --layer given more than once (see 'pelt-label fields "
       "--help')\n"},
      {__LINE__, {"fields", "--help=yes"}, 2, "",
       "pelt-label fields: option --help takes no value (see 'pelt-label fields --help')\n"},
      {__LINE__, {"fields", "{dir}/multi.gpkg", "{dir}/odd.geojson"}, 2, "",
       "pelt-label fields: expects at most one SOURCE, got 2 (see 'pelt-label fields "
       "--help')\n"},
  };
  const std::string dir = data_.path().string();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args;
    for (const std::string& arg : row.args) args.push_back(Substituted(arg, dir));
    const Outcome outcome = RunProgram(PELT_LABEL_PROGRAM, args, run_);
    EXPECT_EQ(outcome.exit_code, row.exit_code);
    ExpectText(outcome.out, Substituted(row.out, dir), "standard output");
    ExpectText(outcome.err, Substituted(row.err, dir), "standard error");
  }
}

TEST_F(PeltLabelTest, ProgramLevelArguments) {
  struct Row {
    int line;
    std::vector<std::string> args;
    int exit_code;
    std::string out;
    std::string err;
  };
  const Row rows[] = {
      {__LINE__, {}, 2, "", "pelt-label: no command given (see 'pelt-label --help')\n"},
      {__LINE__, {"relabel"}, 2, "",
       "pelt-label: unknown command 'relabel' (see 'pelt-label --help')\n"},
      {__LINE__, {"help", "relabel"}, 2, "",
       "pelt-label: unknown command 'relabel' (see 'pelt-label --help')\n"},
      {__LINE__, {"--help"}, 0, "Usage: pelt-label COMMAND*", ""},
      {__LINE__, {"-h"}, 0, "Usage: pelt-label COMMAND*", ""},
      {__LINE__, {"help"}, 0, "Usage: pelt-label COMMAND*", ""},
      {__LINE__, {"--version"}, 0, "pelt-label *", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Outcome outcome = RunProgram(PELT_LABEL_PROGRAM, row.args, run_);
    EXPECT_EQ(outcome.exit_code, row.exit_code);
    ExpectText(outcome.out, row.out, "standard output");
    ExpectText(outcome.err, row.err, "standard error");
  }
}

TEST_F(PeltLabelTest, InstalledProgramReadsTheInstalledSample) {
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
      "GPKG", sample,
      {LayerDef{"installed", {{"ONLY_HERE", OFTDate}}, {}, wkbNone, {}}}));

  const Outcome outcome = RunProgram(program.string(), {"fields"}, run_);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.out, "fid\t6\tObjectId\nONLY_HERE\t5\tDate\n");
  EXPECT_EQ(outcome.err, "");
}

}  // namespace
}  // namespace pelt::tools
