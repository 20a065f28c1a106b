// Splitting a layer by ranges of feature ids, so that several threads, each
// with its own opening of the source, read it at once.

#include <string>

#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"
#include "adapters/gdal/status_helpers.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/value/text.h"

namespace pelt::gdal {
namespace {

// How a driver reads a range of ids without reading the features before it.
enum class IdRanges {
  kNone,
  // The id column is the key of an indexed table: a range is a query, and
  // comes in the order of the ids.
  kByQuery,
  // The id is the record's position in the file, and reading jumps to a
  // position at once: a range starts there. Deleted records keep their
  // positions and are passed over, by one reader as by several.
  kByPosition,
};

IdRanges RangesOf(GDALDataset& dataset, OGRLayer& layer) {
  const GDALDriver* driver = dataset.GetDriver();
  if (driver == nullptr) return IdRanges::kNone;
  const std::string name = driver->GetDescription();
  if (name == "GPKG" || name == "SQLite") return IdRanges::kByQuery;
  if (internal::IsShapefileDriver(*driver) && layer.TestCapability(OLCFastSetNextByIndex) &&
      layer.TestCapability(OLCFastFeatureCount)) {
    return IdRanges::kByPosition;
  }
  return IdRanges::kNone;
}

// name between quote marks, each one inside doubled, as SQL writes
// identifiers ("...") and texts ('...').
std::string Quoted(const char* name, char mark) {
  std::string quoted(1, mark);
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c == mark) quoted += mark;
    quoted += *c;
  }
  quoted += mark;
  return quoted;
}

std::string QuotedIdentifier(const char* name) { return Quoted(name, '"'); }
std::string QuotedText(const char* name) { return Quoted(name, '\''); }

// Why reading the range from id first could not start, with GDAL's message
// when it gave one.
errors::Status RangeFailure(const internal::LayerState& state, std::int64_t first,
                            const internal::QuietGdalErrors& quiet) {
  std::u16string text = u"Reading layer " + value::FromUtf8(state.name) + u" from feature " +
                        value::FromAscii(std::to_string(first)) + u" failed";
  if (quiet.Failed()) text += u": " + value::FromUtf8(quiet.LastMessage());
  return internal::StatusWithText(value::ErrorCode::kInternalError, std::move(text));
}

}  // namespace

bool LayerTable::FeatureIdBounds(std::int64_t& first, std::int64_t& last) const {
  try {
    internal::LayerState& state = *state_;
    GDALDataset& dataset = *state.dataset->dataset;
    if (!state.filter.empty()) return false;
    internal::QuietGdalErrors quiet;
    const IdRanges ranges = RangesOf(dataset, *state.layer);
    if (ranges == IdRanges::kByPosition) {
      // Deleted records are counted too: they hold their positions.
      const GIntBig records = state.layer->GetFeatureCount(/*bForce=*/FALSE);
      first = 0;
      last = records - 1;
      return records > 0;
    }
    const char* id_column = state.layer->GetFIDColumn();
    if (ranges != IdRanges::kByQuery || id_column == nullptr || id_column[0] == '\0') {
      return false;
    }
    // Two subqueries: each is answered from one end of the index, where
    // MIN and MAX together would scan the whole table. A view has no index
    // of its own: each range would scan it whole.
    const std::string column = QuotedIdentifier(id_column);
    const std::string table = QuotedIdentifier(state.layer->GetName());
    const std::string query = "SELECT (SELECT MIN(" + column + ") FROM " + table +
                              "), (SELECT MAX(" + column + ") FROM " + table +
                              "), (SELECT type = 'table' FROM sqlite_master WHERE name = " +
                              QuotedText(state.layer->GetName()) + ")";
    OGRLayer* result = dataset.ExecuteSQL(query.c_str(), nullptr, nullptr);
    if (result == nullptr) return false;
    OGRFeatureUniquePtr bounds(result->GetNextFeature());
    const bool known = bounds && bounds->IsFieldSetAndNotNull(0) &&
                       bounds->IsFieldSetAndNotNull(1) && bounds->GetFieldAsInteger(2) == 1;
    if (known) {
      first = bounds->GetFieldAsInteger64(0);
      last = bounds->GetFieldAsInteger64(1);
    }
    bounds.reset();
    dataset.ReleaseResultSet(result);
    return known && first <= last;
  } catch (...) {
    return false;  // any failure (memory, GDAL): the layer is read on one thread
  }
}

std::unique_ptr<LayerTable> LayerTable::OpenAnotherReader() const {
  try {
    internal::QuietGdalErrors quiet;
    std::shared_ptr<internal::DatasetState> dataset = internal::OpenDatasetAgain(state_->dataset);
    if (!dataset) return nullptr;
    OGRLayer* layer = dataset->dataset->GetLayerByName(state_->name.c_str());
    if (layer == nullptr || !internal::IgnoreFields(*layer, state_->ignored_fields)) {
      return nullptr;
    }
    auto state = std::make_shared<internal::LayerState>(std::move(dataset), *layer);
    state->ignored_fields = state_->ignored_fields;
    return std::make_unique<LayerTable>(std::move(state));
  } catch (...) {
    return nullptr;  // any failure (memory, GDAL): the caller reads on one thread
  }
}

FeatureCursor LayerTable::FeaturesWithIdsIn(std::int64_t first, std::int64_t last) {
  try {
    internal::QuietGdalErrors quiet;
    OGRLayer& layer = *state_->layer;
    if (RangesOf(*state_->dataset->dataset, layer) == IdRanges::kByPosition) {
      auto cursor = std::make_unique<internal::CursorState>(state_);
      cursor->last_fid = last;
      layer.ResetReading();
      if (layer.SetNextByIndex(static_cast<GIntBig>(first)) != OGRERR_NONE) {
        return FeatureCursor(RangeFailure(*state_, first, quiet));
      }
      return FeatureCursor(std::move(cursor));
    }
    const std::string range = QuotedIdentifier(layer.GetFIDColumn()) + " BETWEEN " +
                              std::to_string(first) + " AND " + std::to_string(last);
    if (layer.SetAttributeFilter(range.c_str()) != OGRERR_NONE) {
      return FeatureCursor(RangeFailure(*state_, first, quiet));
    }
  } catch (...) {
    return FeatureCursor(internal::CurrentFailureStatus());
  }
  return Features();
}

void LayerTable::ReadAllFeatures() {
  internal::QuietGdalErrors quiet;
  (void)state_->layer->SetAttributeFilter(nullptr);
  state_->layer->ResetReading();
}

}  // namespace pelt::gdal
