#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::gdal {

namespace internal {
struct CopyState;
}

// How a copy of a layer is written.
struct CopyOptions {
  std::string driver = "GPKG";  // a GDAL driver that creates vector data
  std::string text_field;       // the new text field every feature gets
  bool overwrite = false;       // replace an existing output
  std::string layer_name;       // the copy's layer; "" keeps the source's (a Shapefile's follows its file)
};

// Why a copy could not be made or finished.
enum class CopyErrorKind {
  kUnknownDriver,  // no driver of that name, or one that cannot create vector data
  kOutputExists,   // something is at the output path and overwrite is off
  kNotAFile,       // a device, pipe or socket is at the output path: never replaced
  kSameAsSource,   // the output would replace the source or one of its files
  kFieldExists,    // the source layer already has a field of the new field's name
  kBadFieldName,   // an empty field name
  kWriteFailed,    // GDAL or the file system refused to write
};

// A field the output driver gave another name than the one asked for (a
// Shapefile keeps ten characters).
struct FieldRename {
  std::string asked;
  std::string written;
};

struct CopyError {
  CopyErrorKind kind = CopyErrorKind::kWriteFailed;
  std::string message;  // one line of UTF-8, without command-line hints
};

// A copy of a layer, every attribute and geometry kept, with one more text
// field, written into a new dataset. The dataset is made in a private
// folder beside the output and moved under the output's name by Commit, so
// that an interrupted copy never leaves a half-written dataset where the
// user expects a whole one; the source is only ever read.
class LayerCopy {
 public:
  // Starts the copy of source's schema into path. nullptr with error filled
  // in when the driver, the output or the field name is refused.
  static std::unique_ptr<LayerCopy> Create(LayerTable& source, const std::string& path,
                                           const CopyOptions& options, CopyError& error);

  // Removes everything an uncommitted copy wrote.
  ~LayerCopy();
  LayerCopy(const LayerCopy&) = delete;
  LayerCopy& operator=(const LayerCopy&) = delete;

  // Writes feature index of batch (read from the source) with text in the
  // new field. False with error filled in when the output refuses it.
  bool Add(FeatureBatch& batch, std::size_t index, std::string_view text, CopyError& error);

  // The fields the output names otherwise than the source (or the new
  // field) does, in the layer's order.
  const std::vector<FieldRename>& RenamedFields() const;

  // Finishes the dataset and moves it under its final name, replacing what
  // was there when overwrite is on. False with error filled in; the output
  // is then left as it was before the copy.
  bool Commit(CopyError& error);

 private:
  explicit LayerCopy(std::unique_ptr<internal::CopyState> state);
  std::unique_ptr<internal::CopyState> state_;
};

}  // namespace pelt::gdal
