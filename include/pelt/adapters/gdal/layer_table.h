#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/errors/status.h"
#include "pelt/host/host_table.h"

namespace pelt::gdal {

namespace internal {
struct LayerState;
struct CursorState;
struct BatchState;
}  // namespace internal

class FeatureBatch;
class FeatureCursor;

// One layer of a GDAL vector source served as a host table.
//
// Fields, in this order: the layer's feature-id column when it has a named
// one (kObjectId, e.g. the "fid" of a GeoPackage), the attribute fields in
// the layer's order, then each geometry column (kGeometry) under its own name,
// or "Shape" when the format gives it none (Shapefile, GeoJSON …).
// Field names match case-insensitively.
//
// Type codes: Boolean and 16-bit integers kSmallInteger, other integers
// kInteger, 32-bit reals kSingle, other reals kDouble, text and lists
// kString, dates, times and date-times kDate, binary kBlob.
class LayerTable final : public host::HostTable {
 public:
  // Made by Source::OpenLayer.
  explicit LayerTable(std::shared_ptr<internal::LayerState> state);
  ~LayerTable() override;
  LayerTable(const LayerTable&) = delete;
  LayerTable& operator=(const LayerTable&) = delete;

  // HostTable
  host::Status FieldList(host::HostFields*& fields) override;
  host::Status IndexOfField(std::u16string_view name, std::int32_t& index) override;

  // The layer's name (UTF-8).
  const std::string& name() const;
  std::int32_t FieldCount() const;
  // The number of features, counting them when the driver cannot tell
  // cheaply; -1 when it cannot be known.
  std::int64_t FeatureCount() const;

  // Reads only the named fields from now on (matched like IndexOfField):
  // GDAL then skips decoding the other attributes and the geometries, which
  // is most of the work of reading a wide layer. The other fields keep their
  // indices but read as null. An empty list reads every field again.
  host::Status ReadOnlyFields(const std::vector<std::u16string>& names);

  // Reads from now on only the features for which the SQL condition where
  // holds (GDAL's attribute filter, the -where of its tools); "" reads all
  // of them again. Fails, with GDAL's message, for a condition the layer's
  // driver cannot evaluate. FeatureCount follows the filter.
  host::Status SetAttributeFilter(std::string_view where);

  // Starts reading the features from the first, in the layer's order. A
  // table reads through one cursor at a time: opening a cursor ends the
  // reading of any earlier one, whose Next then fails.
  FeatureCursor Features();
  // A cursor over the one feature whose id is fid: its first Next fails with
  // a status that says so when the layer has no such feature. The attribute
  // filter does not apply.
  FeatureCursor FeatureWithId(std::int64_t fid);

  // Reading on several threads. A table is read on one thread at a time, but
  // a layer without an attribute filter whose driver finds features by id
  // range through an index (GeoPackage, SQLite), or whose ids are record
  // positions it jumps to (Shapefile), can be split: each thread reads ranges
  // of ids through a table of its own.
  //
  // The ids of the first and last features in the layer's order, which is
  // the order of the ids; false when the layer cannot be split.
  bool FeatureIdBounds(std::int64_t& first, std::int64_t& last) const;
  // The same layer of the same source opened again, with the same fields
  // read; nullptr when the source cannot be opened again.
  std::unique_ptr<LayerTable> OpenAnotherReader() const;
  // Starts reading the features whose ids are in [first, last], in order, as
  // Features does; only for a layer FeatureIdBounds can split.
  FeatureCursor FeaturesWithIdsIn(std::int64_t first, std::int64_t last);
  // Ends reading by id ranges: Features and FeatureCount cover every feature
  // again.
  void ReadAllFeatures();

  // The path the source was opened from (as GDAL reads it), then every file
  // GDAL lists for the dataset (a Shapefile's .shp, .shx, .dbf ...).
  std::vector<std::string> SourceFiles() const;

 private:
  friend class LayerCopy;
  std::shared_ptr<internal::LayerState> state_;
};

// Reads the features of a layer one after the other. The row it hands out is
// reused for every feature, so a caller that makes a label per feature
// allocates nothing of its own per row.
class FeatureCursor {
 public:
  explicit FeatureCursor(std::unique_ptr<internal::CursorState> state);
  ~FeatureCursor();
  FeatureCursor(FeatureCursor&&) noexcept;
  FeatureCursor& operator=(FeatureCursor&&) noexcept;

  // Moves to the next feature: true when there is one, false at the end or
  // when reading failed (status() then tells why). After false, row() holds
  // no feature and every ValueAt fails.
  bool Next();
  // The current feature's id.
  std::int64_t fid() const;
  // The current feature's values, by the table's field indices. The same
  // object for every feature: its values change with Next.
  host::HostRow& row();
  // Success, or why the last Next stopped early.
  const errors::Status& status() const;

  // Moves up to max_count features into batch, replacing what it held, and
  // returns how many. Fewer than max_count means the end or a failure, as
  // with Next. Reading in batches lets other threads make labels from the
  // features while this one reads on: GDAL reads a layer from one thread,
  // but features once read are independent objects.
  std::size_t NextBatch(FeatureBatch& batch, std::size_t max_count);

 private:
  friend class LayerTable;
  // A cursor that could not be made: Next fails at once and status() says
  // why, rather than only that it reads no layer.
  explicit FeatureCursor(errors::Status failure) noexcept;

  std::unique_ptr<internal::CursorState> state_;
  errors::Status failure_;  // why there is no state, when that is known
};

// Features read together by FeatureCursor::NextBatch. A batch belongs to one
// thread at a time; different batches of one layer may be used on different
// threads at once.
class FeatureBatch {
 public:
  FeatureBatch();
  ~FeatureBatch();
  FeatureBatch(FeatureBatch&&) noexcept;
  FeatureBatch& operator=(FeatureBatch&&) noexcept;

  std::size_t size() const;
  // Frees the features, keeping the storage for the next batch.
  void Clear();
  std::int64_t fid(std::size_t index) const;
  // The values of feature index, by the table's field indices. The same row
  // object serves every feature of the batch: choosing another one changes
  // what the previous reference reads.
  host::HostRow& RowAt(std::size_t index);

 private:
  friend class FeatureCursor;
  friend class LayerCopy;
  std::unique_ptr<internal::BatchState> state_;
};

}  // namespace pelt::gdal
