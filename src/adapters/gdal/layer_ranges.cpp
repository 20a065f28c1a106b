// Splitting a layer by ranges of feature ids, so that several threads, each
// with its own opening of the source, read it at once.

#include <string>

#include "adapters/gdal/gdal_runtime.h"
#include "adapters/gdal/layer_state.h"
#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::gdal {
namespace {

// Drivers whose id column is the key of an indexed table, so that a range of
// ids is read without scanning the rest, in the order of the ids.
bool ReadsIdRangesByIndex(GDALDataset& dataset) {
  const GDALDriver* driver = dataset.GetDriver();
  if (driver == nullptr) return false;
  const std::string name = driver->GetDescription();
  return name == "GPKG" || name == "SQLite";
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

}  // namespace

bool LayerTable::FeatureIdBounds(std::int64_t& first, std::int64_t& last) const {
  try {
    internal::LayerState& state = *state_;
    GDALDataset& dataset = *state.dataset->dataset;
    const char* id_column = state.layer->GetFIDColumn();
    if (!state.filter.empty() || id_column == nullptr || id_column[0] == '\0' ||
        !ReadsIdRangesByIndex(dataset)) {
      return false;
    }
    internal::QuietGdalErrors quiet;
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
    return false;  // out of memory: the layer is read on one thread
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
    return nullptr;  // out of memory: the caller reads on one thread
  }
}

FeatureCursor LayerTable::FeaturesWithIdsIn(std::int64_t first, std::int64_t last) {
  try {
    internal::QuietGdalErrors quiet;
    const std::string range = QuotedIdentifier(state_->layer->GetFIDColumn()) + " BETWEEN " +
                              std::to_string(first) + " AND " + std::to_string(last);
    if (state_->layer->SetAttributeFilter(range.c_str()) != OGRERR_NONE) {
      return FeatureCursor(nullptr);
    }
  } catch (...) {
    return FeatureCursor(nullptr);
  }
  return Features();
}

void LayerTable::ReadAllFeatures() {
  internal::QuietGdalErrors quiet;
  (void)state_->layer->SetAttributeFilter(nullptr);
  state_->layer->ResetReading();
}

}  // namespace pelt::gdal
