#include "pelt/adapters/gdal/layer_table.h"

#include <string>
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
  if (feature_ == nullptr) {
    return StatusWithText(value::ErrorCode::kInvalidProcedureCall,
                          u"No feature is current: the cursor has not started or has ended");
  }
  return Guarded([&] { return ReadFieldValue(*feature_, (*fields_)[index], value); });
}

host::Status DetachedRow::ValueAt(std::int32_t /*index*/, value::Variant& /*value*/) {
  return StatusWithText(value::ErrorCode::kInvalidProcedureCall, u"The cursor reads no layer");
}

CursorState::CursorState(std::shared_ptr<LayerState> owner)
    : layer(std::move(owner)), generation(++layer->reading_generation), row(&layer->fields) {}

OGRFeatureUniquePtr CursorState::Read() {
  if (finished) return nullptr;
  try {
    if (generation != layer->reading_generation) {
      finished = true;
      status = StatusWithText(
          value::ErrorCode::kInvalidProcedureCall,
          u"Another cursor has started reading layer " + value::FromUtf8(layer->name));
      return nullptr;
    }
    QuietGdalErrors quiet;
    OGRFeatureUniquePtr feature;
    if (only_fid) {
      // One feature by id: read once, then the cursor ends.
      finished = true;
      feature.reset(layer->layer->GetFeature(static_cast<GIntBig>(*only_fid)));
      if (!feature) {
        status =
            StatusWithText(value::ErrorCode::kInvalidProcedureCall,
                           u"Layer " + value::FromUtf8(layer->name) + u" has no feature with id " +
                               value::FromUtf8(std::to_string(*only_fid)));
      }
      return feature;
    }
    feature.reset(layer->layer->GetNextFeature());
    if (feature && last_fid && feature->GetFID() > *last_fid) {
      finished = true;  // the next range's first feature
      return nullptr;
    }
    if (!feature) {
      finished = true;
      if (quiet.Failed()) {
        status = StatusWithText(value::ErrorCode::kInternalError,
                                u"Reading layer " + value::FromUtf8(layer->name) + u" failed: " +
                                    value::FromUtf8(quiet.LastMessage()));
      }
    }
    return feature;
  } catch (...) {
    finished = true;
    status = CurrentFailureStatus();
    return nullptr;
  }
}

bool IgnoreFields(OGRLayer& layer, const std::vector<std::string>& names) {
  std::vector<const char*> list;
  for (const std::string& name : names) list.push_back(name.c_str());
  list.push_back(nullptr);
  return layer.SetIgnoredFields(list.data()) == OGRERR_NONE;
}

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
  if (!internal::IgnoreFields(*state_->layer, ignored)) {
    return host::Status(static_cast<std::int32_t>(value::ErrorCode::kInternalError), u"GDAL",
                        u"the layer cannot skip fields");
  }
  state_->ignored_fields = std::move(ignored);
  return host::Status::Ok();
}

FeatureCursor LayerTable::Features() {
  try {
    auto cursor = std::make_unique<internal::CursorState>(state_);
    state_->layer->ResetReading();
    return FeatureCursor(std::move(cursor));
  } catch (...) {
    // The cursor without state ends at once and tells why.
    return FeatureCursor(internal::CurrentFailureStatus());
  }
}

FeatureCursor LayerTable::FeatureWithId(std::int64_t fid) {
  try {
    auto cursor = std::make_unique<internal::CursorState>(state_);
    cursor->only_fid = fid;
    return FeatureCursor(std::move(cursor));
  } catch (...) {
    return FeatureCursor(internal::CurrentFailureStatus());
  }
}

host::Status LayerTable::SetAttributeFilter(std::string_view where) {
  return internal::Guarded([&]() -> host::Status {
    internal::QuietGdalErrors quiet;
    const std::string condition(where);
    if (condition.find('\0') != std::string::npos) {
      return internal::StatusWithText(value::ErrorCode::kInvalidProcedureCall,
                                      u"The filter holds a NUL character");
    }
    const OGRErr result =
        state_->layer->SetAttributeFilter(condition.empty() ? nullptr : condition.c_str());
    // Some drivers (GeoPackage) hand the condition to their database only
    // when reading starts: read one feature so that a bad condition is
    // refused here rather than in the middle of the work.
    if (result == OGRERR_NONE && !condition.empty()) {
      state_->layer->ResetReading();
      OGRFeatureUniquePtr first(state_->layer->GetNextFeature());
      state_->layer->ResetReading();
      if (!first && quiet.Failed()) {
        (void)state_->layer->SetAttributeFilter(nullptr);
        state_->filter.clear();
        return internal::StatusWithText(value::ErrorCode::kInvalidProcedureCall,
                                        value::FromUtf8(quiet.LastMessage()));
      }
    }
    if (result == OGRERR_NONE) state_->filter = condition;
    if (result != OGRERR_NONE) {
      std::string message = quiet.LastMessage();
      if (message.empty()) message = "GDAL cannot evaluate it on this layer";
      return internal::StatusWithText(value::ErrorCode::kInvalidProcedureCall,
                                      value::FromUtf8(message));
    }
    return host::Status::Ok();
  });
}

FeatureCursor::FeatureCursor(std::unique_ptr<internal::CursorState> state)
    : state_(std::move(state)) {}

FeatureCursor::FeatureCursor(errors::Status failure) noexcept : failure_(std::move(failure)) {}

FeatureCursor::~FeatureCursor() = default;
FeatureCursor::FeatureCursor(FeatureCursor&&) noexcept = default;
FeatureCursor& FeatureCursor::operator=(FeatureCursor&&) noexcept = default;

bool FeatureCursor::Next() {
  if (!state_) return false;
  internal::CursorState& state = *state_;
  state.row.Reset(&state.layer->fields, nullptr);
  state.current = state.Read();
  state.row.Reset(&state.layer->fields, state.current.get());
  return state.current != nullptr;
}

std::size_t FeatureCursor::NextBatch(FeatureBatch& batch, std::size_t max_count) {
  try {
    if (!batch.state_) batch.state_ = std::make_unique<internal::BatchState>();
  } catch (...) {
    if (state_) {
      state_->finished = true;
      state_->status = internal::CurrentFailureStatus();
    }
    return 0;
  }
  internal::BatchState& target = *batch.state_;
  target.features.clear();
  target.row.Reset(nullptr, nullptr);
  if (!state_) return 0;
  internal::CursorState& state = *state_;
  state.current.reset();
  state.row.Reset(&state.layer->fields, nullptr);
  target.layer = state.layer;
  try {
    target.features.reserve(max_count);
    while (target.features.size() < max_count) {
      OGRFeatureUniquePtr feature = state.Read();
      if (!feature) break;
      target.features.push_back(std::move(feature));
    }
  } catch (...) {
    state.finished = true;
    state.status = internal::CurrentFailureStatus();
  }
  return target.features.size();
}

FeatureBatch::FeatureBatch() = default;
FeatureBatch::~FeatureBatch() = default;
FeatureBatch::FeatureBatch(FeatureBatch&&) noexcept = default;
FeatureBatch& FeatureBatch::operator=(FeatureBatch&&) noexcept = default;

std::size_t FeatureBatch::size() const { return state_ ? state_->features.size() : 0; }

void FeatureBatch::Clear() {
  if (!state_) return;
  state_->row.Reset(nullptr, nullptr);
  state_->features.clear();
}

std::int64_t FeatureBatch::fid(std::size_t index) const {
  if (index >= size()) return -1;
  return static_cast<std::int64_t>(state_->features[index]->GetFID());
}

host::HostRow& FeatureBatch::RowAt(std::size_t index) {
  if (index >= size()) {
    static internal::DetachedRow detached;
    return detached;
  }
  state_->row.Reset(&state_->layer->fields, state_->features[index].get());
  return state_->row;
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
  if (!failure_.ok()) return failure_;
  static const errors::Status kDetached = internal::StatusWithText(
      value::ErrorCode::kInvalidProcedureCall, u"The cursor reads no layer");
  return kDetached;
}

}  // namespace pelt::gdal
