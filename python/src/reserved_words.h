#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pelt/value/collection.h"

namespace pelt::python {

// The caller's reserved words, then the ones pelt-label supplies that a
// caller has not given: DATE and TIME of `now` (one instant for every label
// of a call), and for a GDAL layer LAYER, SOURCE, FID and ROW.
class ReservedWords {
 public:
  using Given = std::vector<std::pair<std::u16string, value::Variant>>;
  // False when the caller gives a word twice (names match regardless of case).
  bool Build(const Given& given, std::time_t now);
  void AddLayer(const std::string& layer, const std::string& source_path);
  // FID and ROW of the next feature (unless the caller fixed them).
  void SetFeature(std::int64_t fid, std::int64_t row);

  const std::shared_ptr<value::Collection>& collection() const { return values_; }

 private:
  std::shared_ptr<value::Collection> values_ = std::make_shared<value::Collection>();
  value::Variant* fid_ = nullptr;
  value::Variant* row_ = nullptr;
};

}  // namespace pelt::python
