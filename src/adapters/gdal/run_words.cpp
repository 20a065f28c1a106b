#include "pelt/adapters/gdal/run_words.h"

#include <filesystem>
#include <string>

#include "adapters/gdal/field_values.h"
#include "pelt/value/text.h"

namespace pelt::gdal {

void RunWords::AddLayer(std::string_view layer, std::string_view source_path) {
  const std::string file_name = std::filesystem::path(source_path).filename().string();
  words_.AddLayer(value::FromUtf8(layer), value::FromUtf8(file_name));
}

void RunWords::SetFeature(std::int64_t fid, std::int64_t row) {
  words_.SetFeature(internal::WideIntegerValue(fid), internal::WideIntegerValue(row));
}

}  // namespace pelt::gdal
