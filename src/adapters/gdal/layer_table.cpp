#include "pelt/adapters/gdal/layer_table.h"

#include <utility>

#include "adapters/gdal/field_values.h"
#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"
#include "adapters/gdal/status_helpers.h"
#include "pelt/value/text.h"

namespace pelt::gdal {
namespace internal {

LayerState::LayerState(std::shared_ptr<DatasetState> owner, OGRLayer& ogr_layer)
    : dataset(std::move(owner)),
      layer(&ogr_layer),
      name(ogr_layer.GetName()),
      fields(DescribeLayer(ogr_layer)) {}

host::Status FeatureRow::ValueAt(std::int32_t index, value::Variant& value) {
  if (index < 0 || index >= fields_->size()) return IndexOutOfRange();
  if (!feature_) {
    return StatusWithText(value::ErrorCode::kInvalidProcedureCall,
                          u"No feature is current: the cursor has not started or has ended");
  }
  return Guarded([&] { return ReadFieldValue(*feature_, (*fields_)[index], value); });
}

host::Status DetachedRow::ValueAt(std::int32_t /*index*/, value::Variant& /*value*/) {
  return StatusWithText(value::ErrorCode::kInvalidProcedureCall, u"The cursor reads no layer");
}

CursorState::CursorState(std::shared_ptr<LayerState> owner)
    : layer(std::move(owner)), generation(++layer->reading_generation), row(layer->fields) {}

}  // namespace internal

LayerTable::LayerTable(std::shared_ptr<internal::LayerState> state) : state_(std::move(state)) {}

LayerTable::~LayerTable() = default;

host::Status LayerTable::FieldList(host::HostFields*& fields) {
  fields = &state_->fields;
  return host::Status::Ok();
}

host::Status LayerTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  return internal::Guarded([&] { index = state_->fields.Find(name); });
}

const std::string& LayerTable::name() const { return state_->name; }

std::int32_t LayerTable::FieldCount() const { return state_->fields.size(); }

std::int64_t LayerTable::FeatureCount() const {
  internal::QuietGdalErrors quiet;
  const GIntBig count = state_->layer->GetFeatureCount(/*bForce=*/TRUE);
  return count < 0 ? -1 : static_cast<std::int64_t>(count);
}

host::Status LayerTable::ReadOnlyFields(const std::vector<std::u16string>& names) {
  std::vector<bool> wanted(static_cast<std::size_t>(state_->fields.size()), names.empty());
  for (const std::u16string& name : names) {
    const std::int32_t index = state_->fields.Find(name);
    if (index >= 0) wanted[static_cast<std::size_t>(index)] = true;
  }
  // OGR names what it should skip: attribute fields by name, geometry fields
  // by name too ("OGR_GEOMETRY" for an unnamed one), and the style string.
  std::vector<std::string> ignored;
  OGRFeatureDefn* definition = state_->layer->GetLayerDefn();
  for (std::int32_t i = 0; i < state_->fields.size(); ++i) {
    const internal::LayerField& field = state_->fields[i];
    if (wanted[static_cast<std::size_t>(i)] || field.kind() == internal::ValueKind::kFid) continue;
    if (field.kind() == internal::ValueKind::kGeometry) {
      const char* geometry_name = definition->GetGeomFieldDefn(field.ogr_index())->GetNameRef();
      ignored.emplace_back(geometry_name[0] == '\0' ? "OGR_GEOMETRY" : geometry_name);
    } else {
      ignored.emplace_back(definition->GetFieldDefn(field.ogr_index())->GetNameRef());
    }
  }
  if (!names.empty()) ignored.emplace_back("OGR_STYLE");
  std::vector<const char*> list;
  for (const std::string& name : ignored) list.push_back(name.c_str());
  list.push_back(nullptr);
  if (state_->layer->SetIgnoredFields(list.data()) != OGRERR_NONE) {
    return host::Status(static_cast<std::int32_t>(value::ErrorCode::kInternalError),
                        u"GDAL", u"the layer cannot skip fields");
  }
  return host::Status::Ok();
}

FeatureCursor LayerTable::Features() {
  try {
    auto cursor = std::make_unique<internal::CursorState>(state_);
    state_->layer->ResetReading();
    return FeatureCursor(std::move(cursor));
  } catch (...) {
    // Without memory for a cursor there is nothing to read: the cursor
    // without state ends at once.
    return FeatureCursor(nullptr);
  }
}

FeatureCursor::FeatureCursor(std::unique_ptr<internal::CursorState> state)
    : state_(std::move(state)) {}

FeatureCursor::~FeatureCursor() = default;
FeatureCursor::FeatureCursor(FeatureCursor&&) noexcept = default;
FeatureCursor& FeatureCursor::operator=(FeatureCursor&&) noexcept = default;

bool FeatureCursor::Next() {
  if (!state_) return false;
  internal::CursorState& state = *state_;
  state.row.Reset(nullptr);
  if (state.finished) return false;
  try {
    if (state.generation != state.layer->reading_generation) {
      state.finished = true;
      state.status = internal::StatusWithText(
          value::ErrorCode::kInvalidProcedureCall,
          u"Another cursor has started reading layer " + value::FromUtf8(state.layer->name));
      return false;
    }
    internal::QuietGdalErrors quiet;
    OGRFeatureUniquePtr feature(state.layer->layer->GetNextFeature());
    if (!feature) {
      state.finished = true;
      if (quiet.Failed()) {
        state.status = internal::StatusWithText(
            value::ErrorCode::kInternalError,
            u"Reading layer " + value::FromUtf8(state.layer->name) + u" failed: " +
                value::FromUtf8(quiet.LastMessage()));
      }
      return false;
    }
    state.row.Reset(std::move(feature));
    return true;
  } catch (...) {
    state.finished = true;
    state.status = internal::CurrentFailureStatus();
    return false;
  }
}

std::int64_t FeatureCursor::fid() const {
  const OGRFeature* feature = state_ ? state_->row.feature() : nullptr;
  return feature != nullptr ? static_cast<std::int64_t>(feature->GetFID()) : -1;
}

host::HostRow& FeatureCursor::row() {
  if (state_) return state_->row;
  static internal::DetachedRow detached;
  return detached;
}

const errors::Status& FeatureCursor::status() const {
  if (state_) return state_->status;
  static const errors::Status kDetached = internal::StatusWithText(
      value::ErrorCode::kInvalidProcedureCall, u"The cursor reads no layer");
  return kDetached;
}

}  // namespace pelt::gdal
