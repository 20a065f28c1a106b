#pragma once

#include <ogr_core.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelt::gdal::testing {

// Small vector files written through GDAL itself, in any format it can
// create, so the adapter is tested on the files real users have.

struct FieldDef {
  std::string name;
  OGRFieldType type = OFTString;
  OGRFieldSubType subtype = OFSTNone;
};

struct FeatureDef {
  // One entry per field; nullopt is a null value. Values are text as GDAL
  // parses it ("2024-03-15 08:30:00"); binary fields take the bytes as they
  // are and list fields comma-separated elements.
  std::vector<std::optional<std::string>> values;
  std::string wkt;  // "" for a feature without geometry
};

struct LayerDef {
  std::string name;
  std::vector<FieldDef> fields;
  std::vector<FeatureDef> features;
  OGRwkbGeometryType geometry = wkbPoint;
  std::vector<std::string> options;  // layer creation options, "KEY=VALUE"
};

// The short name of GDAL's Shapefile driver, found by the extension it
// writes (".shp").
const std::string& ShapefileDriver();

// Writes the layers into a new file (or folder) at path with the named GDAL
// driver. Records a test failure and returns false when GDAL refuses.
bool WriteDataset(const std::string& driver, const std::filesystem::path& path,
                  const std::vector<LayerDef>& layers);

// The only layer of a dataset as GDAL reads it back, one line per feature
// with the named fields ("@fid" for the feature id) and the geometry:
// "NAME=..;POP=..|POINT (..)".
std::string DumpDataset(const std::filesystem::path& path, const std::vector<std::string>& fields);

}  // namespace pelt::gdal::testing
