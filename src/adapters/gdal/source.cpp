#include "pelt/adapters/gdal/source.h"

#include <cpl_vsi.h>
#include <gdal_priv.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"
#include "pelt/errors/failure_text.h"

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
    return MakeError(
        OpenErrorKind::kUnreadable,
        CannotOpen(path, error_number != 0 ? std::generic_category().message(error_number)
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

// A layer GDAL counts but cannot hand out, with GDAL's message when it gave
// one.
OpenError LayerUnreadable(std::string_view path, int index,
                          const internal::QuietGdalErrors& quiet) {
  std::string message = "cannot read layer " + std::to_string(index) + " of " + Quoted(path);
  if (quiet.Failed()) message += ": " + quiet.LastMessage();
  return MakeError(OpenErrorKind::kUnreadable, std::move(message));
}

// The layer at index, or nullptr with error filled in.
OGRLayer* LayerAt(GDALDataset& dataset, const std::string& path, int index,
                  const internal::QuietGdalErrors& quiet, OpenError& error) {
  OGRLayer* layer = dataset.GetLayer(index);
  if (layer == nullptr) error = LayerUnreadable(path, index, quiet);
  return layer;
}

OGRLayer* ChooseLayer(GDALDataset& dataset, const std::string& path, const LayerChoice& choice,
                      const std::vector<std::string>& names, const internal::QuietGdalErrors& quiet,
                      OpenError& error) {
  const int count = dataset.GetLayerCount();
  switch (choice.kind()) {
    case LayerChoice::Kind::kOnlyLayer:
      if (count == 0) break;
      if (count == 1) return LayerAt(dataset, path, 0, quiet, error);
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
      if (choice.index() >= 0 && choice.index() < count) {
        return LayerAt(dataset, path, choice.index(), quiet, error);
      }
      error = MakeError(OpenErrorKind::kLayerIndexOutOfRange,
                        Quoted(path) + " has no layer at index " + std::to_string(choice.index()) +
                            " (it has " + std::to_string(count) +
                            (count == 1 ? " layer)" : " layers)"));
      return nullptr;
  }
  error = MakeError(OpenErrorKind::kNoLayers, Quoted(path) + " has no layers");
  return nullptr;
}

// The failure in flight, for a catch-all at the edge of an open: memory, a
// GDAL or library failure, each with its own text. Call only inside a handler.
OpenError FailureInFlight(std::string_view path) {
  return MakeError(OpenErrorKind::kUnreadable,
                   "cannot open " + Quoted(path) + ": " + errors::DescribeCurrentFailure());
}

// An open option must look as GDAL's own tools take it: KEY=VALUE.
bool IsOpenOption(const std::string& option) {
  const std::size_t equals = option.find('=');
  return equals != std::string::npos && equals > 0 && option.find('\0') == std::string::npos;
}

// Opens the dataset at gdal_path into state; state.path is the name used in
// messages. False with error filled in.
bool OpenDataset(internal::DatasetState& state, const std::string& gdal_path,
                 const std::vector<std::string>& open_options, OpenError& error) {
  if (gdal_path.find('\0') != std::string::npos) {
    error = MakeError(OpenErrorKind::kNotFound,
                      CannotOpen(state.path, std::generic_category().message(ENOENT)));
    return false;
  }
  std::vector<const char*> options;
  for (const std::string& option : open_options) {
    if (!IsOpenOption(option)) {
      error = MakeError(OpenErrorKind::kBadOpenOption,
                        "open option " + Quoted(option) + " is not KEY=VALUE");
      return false;
    }
    options.push_back(option.c_str());
  }
  options.push_back(nullptr);
  internal::EnsureDriversRegistered();
  internal::QuietGdalErrors quiet;
  GDALDatasetUniquePtr dataset(GDALDataset::Open(
      gdal_path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, options.data(), nullptr));
  if (!dataset) {
    const std::string gdal_message = quiet.Failed() ? quiet.LastMessage() : std::string();
    if (state.memory_file.empty()) {
      error = DescribeOpenFailure(gdal_path, gdal_message);
    } else {
      error = MakeError(
          OpenErrorKind::kNotVectorData,
          CannotOpen(state.path, gdal_message.empty() ? "not in a vector data format GDAL can read"
                                                      : gdal_message));
    }
    return false;
  }
  // The Shapefile driver opens any folder that holds a .shp, even one it
  // then cannot read; with no layer in it, the folder holds nothing to label.
  if (dataset->GetLayerCount() == 0 && IsDirectory(gdal_path)) {
    error = MakeError(OpenErrorKind::kNotVectorData, CannotOpen(state.path, kNoVectorDirectory));
    return false;
  }
  state.dataset = std::move(dataset);
  state.gdal_path = gdal_path;
  state.open_options = open_options;
  return true;
}

}  // namespace

namespace internal {

std::shared_ptr<DatasetState> OpenDatasetAgain(const std::shared_ptr<DatasetState>& state) {
  auto again = std::make_shared<DatasetState>();
  again->path = state->path;
  again->opened_from = state;
  OpenError ignored;
  if (!OpenDataset(*again, state->gdal_path, state->open_options, ignored)) return nullptr;
  return again;
}

DatasetState::~DatasetState() {
  // Layers and features point into the dataset, which reads the file: the
  // file goes last.
  dataset.reset();
  if (!memory_file.empty()) VSIUnlink(memory_file.c_str());
}

}  // namespace internal

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
  return Open(path, {}, error);
}

std::unique_ptr<Source> Source::Open(std::string_view path,
                                     const std::vector<std::string>& open_options,
                                     OpenError& error) {
  try {
    auto state = std::make_shared<internal::DatasetState>();
    state->path = std::string(path);
    if (!OpenDataset(*state, state->path, open_options, error)) return nullptr;
    return std::unique_ptr<Source>(new Source(std::move(state)));
  } catch (...) {
    error = FailureInFlight(path);
    return nullptr;
  }
}

std::unique_ptr<Source> Source::OpenInMemory(std::string contents, std::string_view name,
                                             const std::vector<std::string>& open_options,
                                             OpenError& error) {
  try {
    internal::EnsureDriversRegistered();
    static std::atomic<std::uint64_t> serial{0};
    auto state = std::make_shared<internal::DatasetState>();
    state->path = std::string(name);
    const std::string memory_file = "/vsimem/pelt-gdal/" + std::to_string(++serial) + "/contents";
    // GDAL frees the buffer itself (with VSIFree) when the file is unlinked.
    auto* bytes = static_cast<GByte*>(VSIMalloc(contents.empty() ? 1 : contents.size()));
    if (bytes == nullptr) throw std::bad_alloc();
    if (!contents.empty()) std::memcpy(bytes, contents.data(), contents.size());
    const auto size = static_cast<vsi_l_offset>(contents.size());
    std::string().swap(contents);  // only GDAL's copy is needed from here on
    VSILFILE* file = VSIFileFromMemBuffer(memory_file.c_str(), bytes, size,
                                          /*bTakeOwnership=*/TRUE);
    if (file == nullptr) {
      VSIFree(bytes);
      throw std::bad_alloc();
    }
    VSIFCloseL(file);
    state->memory_file = memory_file;
    if (!OpenDataset(*state, memory_file, open_options, error)) return nullptr;
    return std::unique_ptr<Source>(new Source(std::move(state)));
  } catch (...) {
    error = FailureInFlight(name);
    return nullptr;
  }
}

const std::string& Source::path() const { return state_->path; }

std::string Source::DriverName() const {
  GDALDriver* driver = state_->dataset->GetDriver();
  return driver != nullptr ? std::string(driver->GetDescription()) : std::string();
}

std::int32_t Source::LayerCount() const { return state_->dataset->GetLayerCount(); }

bool Source::LayerNames(std::vector<std::string>& names, OpenError& error) const {
  names.clear();
  try {
    internal::QuietGdalErrors quiet;
    const int count = state_->dataset->GetLayerCount();
    names.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      OGRLayer* layer = LayerAt(*state_->dataset, state_->path, i, quiet, error);
      if (layer == nullptr) {
        names.clear();
        return false;
      }
      names.emplace_back(layer->GetName());
    }
    return true;
  } catch (...) {
    // Not an empty list: that would tell the user the source has no layers.
    names.clear();
    error =
        MakeError(OpenErrorKind::kUnreadable, "cannot list the layers of " + Quoted(state_->path) +
                                                  ": " + errors::DescribeCurrentFailure());
    return false;
  }
}

std::unique_ptr<LayerTable> Source::OpenLayer(const LayerChoice& choice, OpenError& error) const {
  try {
    internal::QuietGdalErrors quiet;
    std::vector<std::string> names;
    if (!LayerNames(names, error)) return nullptr;
    OGRLayer* layer = ChooseLayer(*state_->dataset, state_->path, choice, names, quiet, error);
    if (layer == nullptr) return nullptr;
    return std::make_unique<LayerTable>(std::make_shared<internal::LayerState>(state_, *layer));
  } catch (...) {
    error = FailureInFlight(state_->path);
    return nullptr;
  }
}

std::unique_ptr<LayerTable> OpenLayerTable(std::string_view path, const LayerChoice& choice,
                                           OpenError& error) {
  const std::unique_ptr<Source> source = Source::Open(path, error);
  return source ? source->OpenLayer(choice, error) : nullptr;
}

}  // namespace pelt::gdal
