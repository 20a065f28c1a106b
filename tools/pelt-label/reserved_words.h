#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/adapters/gdal/run_words.h"
#include "pelt/value/collection.h"

namespace pelt::tools {

// The reserved-word values the label command supplies: DATE (today, in the
// locale's short date), TIME (now), LAYER, SOURCE (the file name), and per
// feature FID and ROW (1-based), then the user's --set KEY=VALUE pairs, which
// win over the built-in ones.
class ReservedWordValues {
 public:
  // False with a one-line error for a malformed KEY=VALUE. DATE and TIME
  // are taken from now, so that every worker labelling one layer in
  // parallel shows the same instant.
  bool Build(std::string_view layer, std::string_view source_path,
             const std::vector<std::string_view>& sets, std::time_t now, std::string& error);
  // Sets FID and ROW for the next feature (unless --set fixed them).
  void SetFeature(std::int64_t fid, std::int64_t row) { words_.SetFeature(fid, row); }
  const std::shared_ptr<const value::CollectionView>& collection() const {
    return words_.collection();
  }
  // The words given a value, built-in ones included, without "$$".
  std::vector<std::u16string> Names() const { return words_.Names(); }
  // The words --set gave, as written after any "$$".
  const std::vector<std::u16string>& given() const { return given_; }

 private:
  gdal::RunWords words_;
  std::vector<std::u16string> given_;
};

}  // namespace pelt::tools
