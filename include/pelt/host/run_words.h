#pragma once

#include <ctime>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/value/collection.h"

namespace pelt::host {

// The reserved words a labelling run supplies by itself (run_words.def).
enum class RunWord {
#define PELT_RUN_WORD(id, name, description) id,
#include "pelt/host/run_words.def"
#undef PELT_RUN_WORD
};

struct RunWordInfo {
  RunWord id;
  std::u16string_view name;  // without "$$"
  std::u16string_view description;
};

// Every word of run_words.def, in its order.
std::span<const RunWordInfo> RunWordTable();

// The reserved-word values of a labelling run: the caller's own words first,
// which always win, then DATE and TIME of one instant, and for a layer LAYER,
// SOURCE and, per feature, FID and ROW. The hosts (the GDAL adapter, the
// browser module) decide what a layer's names and a feature's ids are.
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
  void AddLayer(std::u16string_view layer, std::u16string_view source);
  // FID and ROW of the next feature (unless the caller gave them).
  void SetFeature(value::Variant fid, value::Variant row);

  // The words given a value so far, as keyed (without "$$").
  std::vector<std::u16string> Names() const;

  // The values as the evaluator takes them, made once: labels pass this
  // reference on without touching its count, which threads labelling side
  // by side would otherwise take turns to change.
  const std::shared_ptr<const value::CollectionView>& collection() const { return view_; }

 private:
  // Adds a built-in word unless the caller gave it; its slot, or null.
  value::Variant* Add(RunWord word, value::Variant value);

  std::shared_ptr<value::Collection> values_ = std::make_shared<value::Collection>();
  std::shared_ptr<const value::CollectionView> view_ = values_;
  value::Variant* fid_ = nullptr;
  value::Variant* row_ = nullptr;
};

}  // namespace pelt::host
