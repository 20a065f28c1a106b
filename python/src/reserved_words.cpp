#include "reserved_words.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"
#include "python_values.h"

namespace pelt::python {

bool ReservedWords::Build(const Given& given, std::time_t now) {
  // The caller's words first: Add refuses a key already there, so the
  // built-in values never replace them.
  for (const auto& [key, word] : given) {
    if (values_->Add(word, key) != value::ErrorCode::kNone) return false;
  }
  std::tm local{};
  localtime_r(&now, &local);
  const std::optional<value::Date> today =
      value::MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const std::optional<value::Date> time_of_day =
      value::MakeDate(1899, 12, 30, local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
  if (today) (void)values_->Add(value::Variant::FromDate(*today), u"DATE");
  if (time_of_day) (void)values_->Add(value::Variant::FromDate(*time_of_day), u"TIME");
  return true;
}

void ReservedWords::AddLayer(const std::string& layer, const std::string& source_path) {
  (void)values_->Add(value::Variant::FromText(value::FromUtf8(layer)), u"LAYER");
  const std::string file_name = std::filesystem::path(source_path).filename().string();
  (void)values_->Add(value::Variant::FromText(value::FromUtf8(file_name)), u"SOURCE");
  if (values_->Add(value::Variant::FromLong(0), u"FID") == value::ErrorCode::kNone) {
    fid_ = values_->MutableItemByKey(u"FID");
  }
  if (values_->Add(value::Variant::FromLong(0), u"ROW") == value::ErrorCode::kNone) {
    row_ = values_->MutableItemByKey(u"ROW");
  }
}

void ReservedWords::SetFeature(std::int64_t fid, std::int64_t row) {
  if (fid_ != nullptr) *fid_ = ValueBuilders::Integer(fid);
  if (row_ != nullptr) *row_ = ValueBuilders::Integer(row);
}

}  // namespace pelt::python
