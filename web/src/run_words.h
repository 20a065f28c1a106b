#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/value/collection.h"

namespace pelt::web {

// The reserved-word values of a labelling run in the browser, as the Python
// package's label() supplies them: the caller's own words first, which
// always win, then DATE and TIME of one instant in local time, and for a
// table with feature ids LAYER and SOURCE ("" unless given), and per row FID
// and ROW (1-based), as pelt-label supplies them.
class RunWords {
 public:
  // false when the key was given already (keys match regardless of case).
  bool Give(std::u16string_view key, value::Variant value);
  void AddClock(std::time_t now);
  void AddLayer();
  void SetFeature(double fid, double row);
  std::vector<std::u16string> Names() const;
  const std::shared_ptr<const value::CollectionView>& collection() const { return view_; }

 private:
  std::shared_ptr<value::Collection> values_ = std::make_shared<value::Collection>();
  std::shared_ptr<const value::CollectionView> view_ = values_;
  value::Variant* fid_ = nullptr;
  value::Variant* row_ = nullptr;
};

}  // namespace pelt::web
