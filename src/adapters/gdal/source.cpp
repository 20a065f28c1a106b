#include "pelt/adapters/gdal/source.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include <cpl_vsi.h>
#include <gdal_priv.h>

#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"

namespace pelt::gdal {
namespace {

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '\'';
  quoted += text;
  quoted += '\'';
  return quoted;
}

OpenError MakeError(OpenErrorKind kind, std::string message) {
  return OpenError{kind, std::move(message)};
}

std::string CannotOpen(const std::string& path, std::string_view reason) {
  std::string message = "cannot open " + Quoted(path) + ": ";
  message += reason;
  return message;
}

constexpr std::string_view kNoVectorDirectory = "a directory without vector data GDAL can read";

bool IsDirectory(const std::string& path) {
  VSIStatBufL stat_buffer;
  return VSIStatExL(path.c_str(), &stat_buffer, VSI_STAT_NATURE_FLAG) == 0 &&
         VSI_ISDIR(stat_buffer.st_mode);
}

// GDAL does not say why nothing opened, so look at the path: missing,
// a directory, unreadable, or a file in no format GDAL reads as vectors.
OpenError DescribeOpenFailure(const std::string& path, const std::string& gdal_message) {
  VSIStatBufL stat_buffer;
  if (VSIStatExL(path.c_str(), &stat_buffer, VSI_STAT_EXISTS_FLAG | VSI_STAT_NATURE_FLAG) != 0) {
    return MakeError(OpenErrorKind::kNotFound,
                     CannotOpen(path, std::generic_category().message(ENOENT)));
  }
  if (VSI_ISDIR(stat_buffer.st_mode)) {
    return MakeError(OpenErrorKind::kNotVectorData, CannotOpen(path, kNoVectorDirectory));
  }
  errno = 0;
  VSILFILE* file = VSIFOpenL(path.c_str(), "rb");
  if (file == nullptr) {
    const int error_number = errno;
    return MakeError(OpenErrorKind::kUnreadable,
                     CannotOpen(path, error_number != 0
                                          ? std::generic_category().message(error_number)
                                          : std::string("the file cannot be read")));
  }
  VSIFCloseL(file);
  // A driver that recognised the file and then failed says why; otherwise
  // no driver claimed it at all.
  if (!gdal_message.empty()) {
    return MakeError(OpenErrorKind::kUnreadable, CannotOpen(path, gdal_message));
  }
  return MakeError(OpenErrorKind::kNotVectorData,
                   CannotOpen(path, "not in a vector data format GDAL can read"));
}

std::string ListOfNames(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) {
    if (!list.empty()) list += ", ";
    list += Quoted(name);
  }
  return list;
}

OGRLayer* ChooseLayer(GDALDataset& dataset, const std::string& path, const LayerChoice& choice,
                      const std::vector<std::string>& names, OpenError& error) {
  const int count = dataset.GetLayerCount();
  switch (choice.kind()) {
    case LayerChoice::Kind::kOnlyLayer:
      if (count == 0) break;
      if (count == 1) return dataset.GetLayer(0);
      error = MakeError(OpenErrorKind::kLayerChoiceNeeded,
                        Quoted(path) + " has " + std::to_string(count) +
                            " layers, choose one of: " + ListOfNames(names));
      return nullptr;
    case LayerChoice::Kind::kByName: {
      if (count == 0) break;
      if (OGRLayer* layer = dataset.GetLayerByName(choice.name().c_str())) return layer;
      error = MakeError(OpenErrorKind::kUnknownLayer,
                        Quoted(path) + " has no layer " + Quoted(choice.name()) +
                            " (its layers: " + ListOfNames(names) + ")");
      return nullptr;
    }
    case LayerChoice::Kind::kByIndex:
      if (count == 0) break;
      if (choice.index() >= 0 && choice.index() < count) return dataset.GetLayer(choice.index());
      error = MakeError(OpenErrorKind::kLayerIndexOutOfRange,
                        Quoted(path) + " has no layer at index " +
                            std::to_string(choice.index()) + " (it has " +
                            std::to_string(count) + (count == 1 ? " layer)" : " layers)"));
      return nullptr;
  }
  error = MakeError(OpenErrorKind::kNoLayers, Quoted(path) + " has no layers");
  return nullptr;
}

OpenError OutOfMemory(std::string_view path) {
  return MakeError(OpenErrorKind::kUnreadable,
                   "cannot open " + Quoted(path) + ": out of memory");
}

}  // namespace

LayerChoice LayerChoice::Named(std::string name) {
  LayerChoice choice;
  choice.kind_ = Kind::kByName;
  choice.name_ = std::move(name);
  return choice;
}

LayerChoice LayerChoice::AtIndex(std::int32_t index) {
  LayerChoice choice;
  choice.kind_ = Kind::kByIndex;
  choice.index_ = index;
  return choice;
}

Source::Source(std::shared_ptr<internal::DatasetState> state) : state_(std::move(state)) {}

Source::~Source() = default;

std::unique_ptr<Source> Source::Open(std::string_view path, OpenError& error) {
  try {
    std::string path_text(path);
    if (path_text.find('\0') != std::string::npos) {
      error = MakeError(OpenErrorKind::kNotFound,
                        CannotOpen(path_text, std::generic_category().message(ENOENT)));
      return nullptr;
    }
    internal::EnsureDriversRegistered();
    internal::QuietGdalErrors quiet;
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(path_text.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!dataset) {
      error = DescribeOpenFailure(path_text, quiet.Failed() ? quiet.LastMessage() : std::string());
      return nullptr;
    }
    // The Shapefile driver opens any folder that holds a .shp, even one it
    // then cannot read; with no layer in it, the folder holds nothing to label.
    if (dataset->GetLayerCount() == 0 && IsDirectory(path_text)) {
      error = MakeError(OpenErrorKind::kNotVectorData, CannotOpen(path_text, kNoVectorDirectory));
      return nullptr;
    }
    auto state = std::make_shared<internal::DatasetState>();
    state->dataset = std::move(dataset);
    state->path = std::move(path_text);
    return std::unique_ptr<Source>(new Source(std::move(state)));
  } catch (...) {
    error = OutOfMemory(path);
    return nullptr;
  }
}

const std::string& Source::path() const { return state_->path; }

std::string Source::DriverName() const {
  GDALDriver* driver = state_->dataset->GetDriver();
  return driver != nullptr ? std::string(driver->GetDescription()) : std::string();
}

std::int32_t Source::LayerCount() const { return state_->dataset->GetLayerCount(); }

std::vector<std::string> Source::LayerNames() const {
  std::vector<std::string> names;
  try {
    const int count = state_->dataset->GetLayerCount();
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      OGRLayer* layer = state_->dataset->GetLayer(i);
      names.emplace_back(layer != nullptr ? layer->GetName() : "");
    }
  } catch (...) {
    names.clear();
  }
  return names;
}

std::unique_ptr<LayerTable> Source::OpenLayer(const LayerChoice& choice, OpenError& error) const {
  try {
    internal::QuietGdalErrors quiet;
    OGRLayer* layer =
        ChooseLayer(*state_->dataset, state_->path, choice, LayerNames(), error);
    if (layer == nullptr) return nullptr;
    return std::make_unique<LayerTable>(std::make_shared<internal::LayerState>(state_, *layer));
  } catch (...) {
    error = OutOfMemory(state_->path);
    return nullptr;
  }
}

std::unique_ptr<LayerTable> OpenLayerTable(std::string_view path, const LayerChoice& choice,
                                           OpenError& error) {
  const std::unique_ptr<Source> source = Source::Open(path, error);
  return source ? source->OpenLayer(choice, error) : nullptr;
}

}  // namespace pelt::gdal
