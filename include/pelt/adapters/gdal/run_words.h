#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/value/collection.h"

namespace pelt::gdal {

// The reserved-word values a labelling run supplies: the caller's own words
// first, which always win, then DATE and TIME of one instant, and for a
// layer LAYER, SOURCE (the file name) and, per feature, FID and ROW
// (1-based). pelt-label and the Python package label with these.
class RunWords {
 public:
  RunWords() = default;
  RunWords(const RunWords&) = delete;  // FID and ROW point into the collection
  RunWords& operator=(const RunWords&) = delete;

  // A word of the caller's; false when its key was given already (keys
  // match regardless of case).
  bool Give(std::u16string_view key, value::Variant value);
  // DATE (the day) and TIME (the time of day) of now, in local time.
  void AddClock(std::time_t now);
  // LAYER and SOURCE, and FID and ROW, which SetFeature changes.
  void AddLayer(std::string_view layer, std::string_view source_path);
  // FID and ROW of the next feature (unless the caller gave them). Ids
  // beyond 32 bits are Doubles, exact up to 2^53.
  void SetFeature(std::int64_t fid, std::int64_t row);

  // The words given a value so far, as keyed (without "$$").
  std::vector<std::u16string> Names() const;

  // The values as the evaluator takes them, made once: labels pass this
  // reference on without touching its count, which threads labelling side
  // by side would otherwise take turns to change.
  const std::shared_ptr<const value::CollectionView>& collection() const { return view_; }

 private:
  std::shared_ptr<value::Collection> values_ = std::make_shared<value::Collection>();
  std::shared_ptr<const value::CollectionView> view_ = values_;
  value::Variant* fid_ = nullptr;
  value::Variant* row_ = nullptr;
};

}  // namespace pelt::gdal
