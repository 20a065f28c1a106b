#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pelt/host/run_words.h"
#include "pelt/value/collection.h"

namespace pelt::gdal {

// The reserved-word values of a labelling run over a GDAL layer
// (host::RunWords): SOURCE is the file name of the source's path, FID and
// ROW (1-based) 64-bit. pelt-label and the Python package label with these.
class RunWords {
 public:
  // A word of the caller's; false when its key was given already (keys
  // match regardless of case).
  bool Give(std::u16string_view key, value::Variant value) {
    return words_.Give(key, std::move(value));
  }
  // DATE (the day) and TIME (the time of day) of now, in local time.
  void AddClock(std::time_t now) { words_.AddClock(now); }
  // LAYER and SOURCE, and FID and ROW, which SetFeature changes.
  void AddLayer(std::string_view layer, std::string_view source_path);
  // FID and ROW of the next feature (unless the caller gave them). Ids
  // beyond 32 bits are Doubles, exact up to 2^53.
  void SetFeature(std::int64_t fid, std::int64_t row);

  // The words given a value so far, as keyed (without "$$").
  std::vector<std::u16string> Names() const { return words_.Names(); }

  // The values as the evaluator takes them, made once (see host::RunWords).
  const std::shared_ptr<const value::CollectionView>& collection() const {
    return words_.collection();
  }

 private:
  host::RunWords words_;
};

}  // namespace pelt::gdal
