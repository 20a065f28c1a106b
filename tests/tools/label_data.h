#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gdal_layers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {

// Four towns with a name, a population, an area and a founding date, some
// of them null.
gdal::testing::LayerDef Towns(const std::string& name = "towns");

// The files the pelt-label transcripts (*.runs) describe, written afresh
// for each test into {dir}:
//   towns.gpkg, with link.gpkg (a symbolic link to it) and hard.gpkg (a hard
//     link); towns.shp with its .shx, .dbf and .cpg; the same zipped as
//     towns.shp.zip; lone.dbf, a table without a .shp
//   multi.gpkg (layers towns and 2), plain.csv (no header), places.gpkg
//     (no features), two.gpkg (layers roads and rivers), odd.geojson
//     (fields with odd names), batch.txt (expressions, a CR LF among them)
//   sources GDAL cannot read, each in its own way: the folder empty,
//     garbage.gpkg, garbage.geojson, zero.shp, empty.kml
//   in.geojson (one feature, NAME "piped"), labels.txt (a file of the
//     user's), the folder sub and the pipe fifo
class LabelDataTest : public ::testing::Test {
 protected:
  void SetUp() override;

  // The cases of the named transcript in tests/tools, run by program: {dir}
  // is the folder of the files above, {sample} the bundled sample and
  // {label} pelt-label.
  void RunTranscript(const std::string& name, const std::string& program = PELT_LABEL_PROGRAM);

  // pelt-label run with args in a folder of its own.
  pelt::testing::ProgramOutcome Run(const std::vector<std::string>& args) {
    return pelt::testing::RunProgram(PELT_LABEL_PROGRAM, args, run_);
  }

  pelt::testing::TempDir data_;
  pelt::testing::TempDir run_;
};

}  // namespace pelt::tools
