#include "copy_format.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "pelt/adapters/gdal/output_formats.h"
#include "pelt/value/nearest.h"

namespace pelt::tools {
namespace {

// "GPKG (.gpkg .gpkx), ESRI Shapefile (.shp .dbf ...), ...": the file
// formats --to can write, for a refusal. Drivers that write no file of
// their own (databases, services) are left out: no extension names them.
std::string ListOutputFormats(const std::vector<gdal::OutputFormat>& formats) {
  std::string list;
  for (const gdal::OutputFormat& format : formats) {
    if (format.extensions.empty()) continue;
    if (!list.empty()) list += ", ";
    list += format.driver;
    for (std::size_t i = 0; i < format.extensions.size(); ++i) {
      list += i == 0 ? " (." : " .";
      list += format.extensions[i];
    }
    list += ')';
  }
  return list;
}

// " (did you mean '.gpkg'?)" when one extension a format writes is nearest
// to the one given, "" otherwise.
std::string NearestExtension(const std::string& extension,
                             const std::vector<gdal::OutputFormat>& formats) {
  std::vector<std::string_view> known;
  for (const gdal::OutputFormat& format : formats) {
    known.insert(known.end(), format.extensions.begin(), format.extensions.end());
  }
  std::sort(known.begin(), known.end());
  known.erase(std::unique(known.begin(), known.end()), known.end());
  const std::vector<std::size_t> nearest = value::NearestNames(extension, known);
  if (nearest.size() != 1) return "";
  return " (did you mean '." + std::string(known[nearest.front()]) + "'?)";
}

}  // namespace

bool ChooseCopyDriver(const std::string& path, std::string& driver, std::string& error) {
  const std::string extension = gdal::FileExtension(path);
  if (extension.empty()) return true;
  if (const std::optional<std::string> chosen = gdal::DriverForFileName(path)) {
    driver = *chosen;
    return true;
  }
  const std::vector<gdal::OutputFormat> formats = gdal::OutputFormats();
  error = "no format GDAL writes uses the extension '." + extension + "' of '" + path + "'" +
          NearestExtension(extension, formats) +
          ": name one with --to-format DRIVER, or give OUTPUT the extension of one of the "
          "formats that can be written: " +
          ListOutputFormats(formats);
  return false;
}

}  // namespace pelt::tools
