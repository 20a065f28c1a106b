#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelt::gdal {

// A GDAL driver that creates vector data, with the file extensions it
// lists for its files.
struct OutputFormat {
  std::string driver;                   // the short name: "GPKG", "ESRI Shapefile"
  std::vector<std::string> extensions;  // lower case, without the dot: "gpkg", "shp.zip"
};

// Every driver that creates vector data, in GDAL's order.
std::vector<OutputFormat> OutputFormats();

// The extension of path's file name without the dot ("geojson"), "" when it
// has none (a hidden file's leading dot is no extension).
std::string FileExtension(std::string_view path);

// The driver that writes files named like path, as GDAL's own tools choose
// it: the driver claiming the longest extension path ends with, its main
// extension before any other, GDAL's order last. nullopt when no driver
// that creates vector data claims it.
std::optional<std::string> DriverForFileName(std::string_view path);

}  // namespace pelt::gdal
