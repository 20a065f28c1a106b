#include "pelt/adapters/gdal/output_formats.h"

#include <cpl_string.h>
#include <gdal_priv.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "adapters/gdal/gdal_runtime.h"

namespace pelt::gdal {
namespace {

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool HasCapability(GDALDriver& driver, const char* capability) {
  return CPLFetchBool(driver.GetMetadata(), capability, false);
}

// The driver's extensions, its main one (DMD_EXTENSION) first.
std::vector<std::string> ExtensionsOf(GDALDriver& driver) {
  std::vector<std::string> extensions;
  const auto add = [&](const char* extension) {
    const std::string lower = LowerCase(extension);
    if (!lower.empty() &&
        std::find(extensions.begin(), extensions.end(), lower) == extensions.end()) {
      extensions.push_back(lower);
    }
  };
  if (const char* primary = driver.GetMetadataItem(GDAL_DMD_EXTENSION)) add(primary);
  if (const char* listed = driver.GetMetadataItem(GDAL_DMD_EXTENSIONS)) {
    const CPLStringList words(CSLTokenizeString(listed));
    for (int i = 0; i < words.size(); ++i) add(words[i]);
  }
  return extensions;
}

}  // namespace

std::vector<OutputFormat> OutputFormats() {
  internal::EnsureDriversRegistered();
  GDALDriverManager& manager = *GetGDALDriverManager();
  std::vector<OutputFormat> formats;
  for (int i = 0; i < manager.GetDriverCount(); ++i) {
    GDALDriver& driver = *manager.GetDriver(i);
    if (!HasCapability(driver, GDAL_DCAP_VECTOR) || !HasCapability(driver, GDAL_DCAP_CREATE)) {
      continue;
    }
    formats.push_back(OutputFormat{driver.GetDescription(), ExtensionsOf(driver)});
  }
  return formats;
}

std::string FileExtension(std::string_view path) {
  const std::string name = std::filesystem::path(path).filename().string();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return "";
  return LowerCase(std::string_view(name).substr(dot + 1));
}

std::optional<std::string> DriverForFileName(std::string_view path) {
  const std::string name = LowerCase(std::filesystem::path(path).filename().string());
  std::optional<std::string> chosen;
  std::size_t chosen_length = 0;
  bool chosen_as_main = false;
  for (const OutputFormat& format : OutputFormats()) {
    for (std::size_t i = 0; i < format.extensions.size(); ++i) {
      const std::string& extension = format.extensions[i];
      if (name.size() <= extension.size() + 1 || !name.ends_with("." + extension)) continue;
      const bool as_main = i == 0;
      if (!chosen || extension.size() > chosen_length ||
          (extension.size() == chosen_length && as_main && !chosen_as_main)) {
        chosen = format.driver;
        chosen_length = extension.size();
        chosen_as_main = as_main;
      }
    }
  }
  return chosen;
}

}  // namespace pelt::gdal
