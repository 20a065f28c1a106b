#include "copy_format.h"

#include <optional>

#include "pelt/adapters/gdal/output_formats.h"

namespace pelt::tools {
namespace {

// "GPKG (.gpkg .gpkx), ESRI Shapefile (.shp .dbf ...), ...": what --to
// can write, for a refusal.
std::string ListOutputFormats() {
  std::string list;
  for (const gdal::OutputFormat& format : gdal::OutputFormats()) {
    if (!list.empty()) list += ", ";
    list += format.driver;
    for (std::size_t i = 0; i < format.extensions.size(); ++i) {
      list += i == 0 ? " (." : " .";
      list += format.extensions[i];
    }
    if (!format.extensions.empty()) list += ')';
  }
  return list;
}

}  // namespace

bool ChooseCopyDriver(const std::string& path, std::string& driver, std::string& error) {
  const std::string extension = gdal::FileExtension(path);
  if (extension.empty()) return true;
  if (const std::optional<std::string> chosen = gdal::DriverForFileName(path)) {
    driver = *chosen;
    return true;
  }
  error = "no format GDAL writes uses the extension '." + extension + "' of '" + path +
          "': name one with --to-format DRIVER, or give OUTPUT the extension of one of the "
          "formats that can be written: " +
          ListOutputFormats();
  return false;
}

}  // namespace pelt::tools
