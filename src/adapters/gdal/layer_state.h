#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "adapters/gdal/layer_fields.h"
#include "pelt/errors/status.h"
#include "pelt/host/host_table.h"

namespace pelt::gdal::internal {

// An open GDAL dataset, shared by the Source and every table and cursor made
// from it: the OGR layers they point into die with the dataset.
struct DatasetState {
  GDALDatasetUniquePtr dataset;
  std::string path;
};

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
};

// The values of the feature a cursor stands on.
class FeatureRow final : public host::HostRow {
 public:
  explicit FeatureRow(const LayerFields& fields) : fields_(&fields) {}

  host::Status ValueAt(std::int32_t index, value::Variant& value) override;

  void Reset(OGRFeatureUniquePtr feature) { feature_ = std::move(feature); }
  const OGRFeature* feature() const { return feature_.get(); }

 private:
  const LayerFields* fields_;
  OGRFeatureUniquePtr feature_;
};

// The row of a cursor that reads nothing (moved from, or never made because
// memory ran out): every value fails.
class DetachedRow final : public host::HostRow {
 public:
  host::Status ValueAt(std::int32_t index, value::Variant& value) override;
};

struct CursorState {
  explicit CursorState(std::shared_ptr<LayerState> owner);

  std::shared_ptr<LayerState> layer;
  std::uint64_t generation;
  FeatureRow row;
  errors::Status status;
  bool finished = false;
};

}  // namespace pelt::gdal::internal
