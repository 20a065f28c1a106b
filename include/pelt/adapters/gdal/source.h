#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::gdal {

namespace internal {
struct DatasetState;
}

// Why a source or one of its layers could not be opened.
enum class OpenErrorKind {
  kNotFound,              // nothing exists at the path
  kNotVectorData,         // a directory or file with no vector data GDAL can read
  kUnreadable,            // the file exists but cannot be read (permissions …)
  kNoLayers,              // a vector source without any layer
  kUnknownLayer,          // no layer of the requested name
  kLayerIndexOutOfRange,  // no layer at the requested index
  kLayerChoiceNeeded,     // several layers and none was chosen
  kBadOpenOption,         // an open option that is not KEY=VALUE
};

// A failed open: the kind for callers that react to it, and one line of UTF-8
// for people, such as "cannot open 'roads.gpkg': No such file or directory".
// The message names the source but never suggests a command-line option; the
// caller adds such hints.
struct OpenError {
  OpenErrorKind kind = OpenErrorKind::kNotFound;
  std::string message;
};

// Which layer of a source to serve. The default choice accepts a source
// with exactly one layer and refuses one with several, listing their names,
// so that a label is never made from a layer the user did not mean.
class LayerChoice {
 public:
  enum class Kind { kOnlyLayer, kByName, kByIndex };

  LayerChoice() = default;  // the only layer
  static LayerChoice OnlyLayer() { return LayerChoice(); }
  // Exact names first; drivers that do so also match without regard to case.
  static LayerChoice Named(std::string name);
  // 0-based, in the order the source lists its layers.
  static LayerChoice AtIndex(std::int32_t index);

  Kind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  std::int32_t index() const { return index_; }

 private:
  Kind kind_ = Kind::kOnlyLayer;
  std::string name_;
  std::int32_t index_ = 0;
};

// A vector data source opened read-only through GDAL: a GeoPackage,
// Shapefile, GeoJSON, CSV file or anything else GDAL reads as vector data.
// The file is never opened for update. Nothing here throws; GDAL's own error
// printing is kept quiet and its messages end up in OpenError.
class Source {
 public:
  // The opened source, or nullptr with error filled in. path is UTF-8 and may
  // use GDAL's virtual file systems (/vsizip/ …).
  static std::unique_ptr<Source> Open(std::string_view path, OpenError& error);
  // As Open, passing the driver its open options ("KEY=VALUE", as GDAL's
  // own tools take them with -oo).
  static std::unique_ptr<Source> Open(std::string_view path,
                                      const std::vector<std::string>& open_options,
                                      OpenError& error);
  // Opens contents held in memory (a GeoJSON document read from a pipe …).
  // name stands for the source in messages and in path(); the bytes live as
  // long as the source or any table made from it.
  static std::unique_ptr<Source> OpenInMemory(std::string contents, std::string_view name,
                                              const std::vector<std::string>& open_options,
                                              OpenError& error);

  ~Source();
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  const std::string& path() const;
  // The GDAL driver's short name ("GPKG", "GeoJSON" …).
  std::string DriverName() const;
  std::int32_t LayerCount() const;
  // The layer names in the source's order (UTF-8) into names; false, with
  // names empty and error filled in, when GDAL cannot hand out a layer it
  // counts.
  [[nodiscard]] bool LayerNames(std::vector<std::string>& names, OpenError& error) const;

  // The chosen layer as a table, or nullptr with error filled in. The table
  // keeps the source's GDAL dataset alive, so it may outlive this object.
  std::unique_ptr<LayerTable> OpenLayer(const LayerChoice& choice, OpenError& error) const;

 private:
  explicit Source(std::shared_ptr<internal::DatasetState> state);
  std::shared_ptr<internal::DatasetState> state_;
};

// Source::Open followed by OpenLayer.
std::unique_ptr<LayerTable> OpenLayerTable(std::string_view path, const LayerChoice& choice,
                                           OpenError& error);

}  // namespace pelt::gdal
