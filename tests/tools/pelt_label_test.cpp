// Runs the built pelt-label program and checks what it prints and how it
// exits, as a script calling it would see it: the program's own arguments,
// the option reader, and the fields command.

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
using pelt::testing::TempDir;

constexpr const char* kSampleFields =
    "fid\t6\tObjectId\nNAME\t4\tString\nCOUNTRY\t4\tString\nPOPULATION\t1\tInteger\n"
    "ELEVATION\t0\tSmallInteger\nAREA_KM2\t3\tDouble\nMEAN_TEMP\t2\tSingle\n"
    "CAPITAL\t0\tSmallInteger\nSURVEYED\t5\tDate\nUPDATED\t5\tDate\nPHOTO\t8\tBlob\n"
    "geom\t7\tGeometry\n";

TEST(PeltLabelTest, ProgramArgumentsAndTheFieldsCommand) {
  TempDir data;
  ASSERT_TRUE(gdal::testing::WriteDataset(
      "GPKG", data / "multi.gpkg",
      {LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbLineString, {}},
       LayerDef{"rivers", {{"NAME", OFTString}, {"Straße", OFTInteger}}, {}, wkbLineString, {}}}));
  ASSERT_TRUE(gdal::testing::WriteDataset(
      "GeoJSON", data / "odd.geojson",
      {LayerDef{
          "odd",
          {{"say \"hi\"", OFTString}, {"back\\slash", OFTInteger64}, {"tab\there", OFTDateTime}},
          {{{"x", "1", "2024-01-01 00:00:00"}, "POINT (0 0)"}},
          wkbPoint,
          {}}}));
  auto usage = [](const std::string& message) {
    return "pelt-label fields: " + message + " (see 'pelt-label fields --help')\n";
  };
  pelt::testing::CheckRuns(
      PELT_LABEL_PROGRAM,
      {
          {__LINE__, {}, 2, "", "pelt-label: no command given (see 'pelt-label --help')\n"},
          {__LINE__,
           {"relabel"},
           2,
           "",
           "pelt-label: unknown command 'relabel' (see 'pelt-label --help')\n"},
          {__LINE__,
           {"help", "relabel"},
           2,
           "",
           "pelt-label: unknown command 'relabel' (see 'pelt-label --help')\n"},
          {__LINE__, {"--help"}, 0, "Usage: pelt-label COMMAND*", ""},
          {__LINE__, {"-h"}, 0, "Usage: pelt-label COMMAND*", ""},
          {__LINE__, {"help"}, 0, "Usage: pelt-label COMMAND*", ""},
          {__LINE__, {"--version"}, 0, "pelt-label *", ""},
          {__LINE__, {"fields", "--help"}, 0, "Usage: pelt-label fields [--layer NAME]*", ""},
          {__LINE__, {"help", "fields"}, 0, "Usage: pelt-label fields [--layer NAME]*", ""},
          // The bundled sample when no source is named.
          {__LINE__, {"fields"}, 0, kSampleFields, ""},
          {__LINE__,
           {"fields", "--format=jsonl"},
           0,
           "{\"name\": \"fid\", \"type\": 6, \"type_name\": \"ObjectId\"}\n"
           "{\"name\": \"NAME\", \"type\": 4, \"type_name\": \"String\"}\n*",
           ""},
          {__LINE__,
           {"fields", "-f", "jsonl", "{dir}/odd.geojson"},
           0,
           "{\"name\": \"say \\\"hi\\\"\", \"type\": 4, \"type_name\": \"String\"}\n"
           "{\"name\": \"back\\\\slash\", \"type\": 1, \"type_name\": \"Integer\"}\n"
           "{\"name\": \"tab\\there\", \"type\": 5, \"type_name\": \"Date\"}\n"
           "{\"name\": \"Shape\", \"type\": 7, \"type_name\": \"Geometry\"}\n",
           ""},
          {__LINE__,
           {"fields", "--layer", "rivers", "{dir}/multi.gpkg"},
           0,
           "fid\t6\tObjectId\nNAME\t4\tString\nStraße\t1\tInteger\ngeom\t7\tGeometry\n",
           ""},
          {__LINE__,
           {"fields", "{dir}/multi.gpkg", "-lroads"},
           0,
           "fid\t6\tObjectId\nNAME\t4\tString\ngeom\t7\tGeometry\n",
           ""},
          {__LINE__,
           {"fields", "{dir}/multi.gpkg"},
           2,
           "",
           "pelt-label: '{dir}/multi.gpkg' has 2 layers, choose one of: 'roads', 'rivers' (use "
           "--layer NAME or "
           "INDEX)\n"},
          // After "--" an argument that looks like an option is a source.
          {__LINE__,
           {"fields", "--", "--layer"},
           2,
           "",
           "pelt-label: cannot open '--layer': No such file or directory\n"},
          {__LINE__, {"fields", "--colour"}, 2, "", usage("unknown option '--colour'")},
          {__LINE__,
           {"fields", "--format", "xml"},
           2,
           "",
           usage("unknown format 'xml', expected text or jsonl")},
          {__LINE__,
           {"fields", "--layer"},
           2,
           "",
           usage("option --layer needs a value (NAME|INDEX)")},
          {__LINE__,
           {"fields", "-l", "a", "--layer=b"},
           2,
           "",
           usage("option --layer given more than once")},
          {__LINE__, {"fields", "--help=yes"}, 2, "", usage("option --help takes no value")},
          {__LINE__,
           {"fields", "{dir}/multi.gpkg", "{dir}/odd.geojson"},
           2,
           "",
           usage("expects at most one SOURCE, got 2")},
      },
      {{"{dir}", data.path().string()}});
}

TEST(PeltLabelTest, InstalledProgramReadsTheInstalledSample) {
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
  pelt::testing::CheckRuns(
      program.string(), {{__LINE__, {"fields"}, 0, "fid\t6\tObjectId\nONLY_HERE\t5\tDate\n", ""}});
}

}  // namespace
}  // namespace pelt::tools
