#pragma once

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/gdal/layer_fields.h"
#include "pelt/errors/status.h"
#include "pelt/host/host_table.h"

namespace pelt::gdal::internal {

// An open GDAL dataset, shared by the Source and every table and cursor made
// from it: the OGR layers they point into die with the dataset.
struct DatasetState {
  ~DatasetState();

  GDALDatasetUniquePtr dataset;
  std::string path;
  // The /vsimem/ file an in-memory source is read from; removed after the
  // dataset is closed.
  std::string memory_file;
  // What the dataset was opened from and with, to open it again for another
  // reading thread; that one keeps this one, and so its file, alive.
  std::string gdal_path;
  std::vector<std::string> open_options;
  std::shared_ptr<DatasetState> opened_from;
};

// The same source opened once more, for reading on another thread; nullptr
// when it cannot be opened.
std::shared_ptr<DatasetState> OpenDatasetAgain(const std::shared_ptr<DatasetState>& state);

struct LayerState {
  LayerState(std::shared_ptr<DatasetState> owner, OGRLayer& ogr_layer);

  std::shared_ptr<DatasetState> dataset;
  OGRLayer* layer;
  std::string name;
  LayerFields fields;
  // An OGR layer has a single read position. Each new cursor takes a new
  // generation; a cursor whose generation is no longer current stops, so two
  // cursors never silently share (and skip) features.
  std::uint64_t reading_generation = 0;
  // The fields OGR skips and the attribute filter, as last set: another
  // reader of the layer gets the same.
  std::vector<std::string> ignored_fields;
  std::string filter;
};

// Tells OGR to skip the named fields (ReadOnlyFields' list); false when the
// layer cannot.
bool IgnoreFields(OGRLayer& layer, const std::vector<std::string>& names);

// The values of one feature, which someone else owns: the cursor's current
// feature or one of a batch.
class FeatureRow final : public host::HostRow {
 public:
  explicit FeatureRow(const LayerFields* fields) : fields_(fields) {}

  host::Status ValueAt(std::int32_t index, value::Variant& value) override;

  void Reset(const LayerFields* fields, const OGRFeature* feature) {
    fields_ = fields;
    feature_ = feature;
  }
  const OGRFeature* feature() const { return feature_; }

 private:
  const LayerFields* fields_;
  const OGRFeature* feature_ = nullptr;
};

// The row of a cursor that reads nothing (moved from, or never made because
// memory ran out): every value fails.
class DetachedRow final : public host::HostRow {
 public:
  host::Status ValueAt(std::int32_t index, value::Variant& value) override;
};

struct CursorState {
  explicit CursorState(std::shared_ptr<LayerState> owner);

  // The next feature, or nullptr at the end or after a failure (status then
  // says why).
  OGRFeatureUniquePtr Read();

  std::shared_ptr<LayerState> layer;
  std::uint64_t generation;
  OGRFeatureUniquePtr current;
  FeatureRow row;
  errors::Status status;
  bool finished = false;
  // For a cursor over one feature by id: that id, read on the first Read.
  std::optional<std::int64_t> only_fid;
  // For a cursor over a range of positions: the last id it reads.
  std::optional<std::int64_t> last_fid;
};

struct BatchState {
  // Keeps the fields the row reads by, and the dataset the features came
  // from, alive.
  std::shared_ptr<LayerState> layer;
  std::vector<OGRFeatureUniquePtr> features;
  FeatureRow row{nullptr};
};

}  // namespace pelt::gdal::internal
