#include "pelt/host/run_words.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "pelt/value/date_serial.h"

namespace pelt::host {

using value::Variant;

namespace {

constexpr std::array kRunWords = {
#define PELT_RUN_WORD(id, name, description) RunWordInfo{RunWord::id, name, description},
#include "pelt/host/run_words.def"
#undef PELT_RUN_WORD
};

}  // namespace

std::span<const RunWordInfo> RunWordTable() { return kRunWords; }

// Collection::Add refuses a key already there, so what the caller gave
// first is never replaced by the values added after it.
bool RunWords::Give(std::u16string_view key, Variant value) {
  return values_->Add(std::move(value), key) == value::ErrorCode::kNone;
}

Variant* RunWords::Add(RunWord word, Variant value) {
  const std::u16string_view key = kRunWords[static_cast<std::size_t>(word)].name;
  if (values_->Add(std::move(value), key) != value::ErrorCode::kNone) return nullptr;
  return values_->MutableItemByKey(key);
}

void RunWords::AddClock(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  const std::optional<value::Date> today =
      value::MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  // A leap second shows as the last second of its minute.
  const std::optional<value::Date> time_of_day =
      value::MakeDate(1899, 12, 30, local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
  if (today) (void)Add(RunWord::kDate, Variant::FromDate(*today));
  if (time_of_day) (void)Add(RunWord::kTime, Variant::FromDate(*time_of_day));
}

void RunWords::AddLayer(std::u16string_view layer, std::u16string_view source) {
  (void)Add(RunWord::kLayer, Variant::FromText(std::u16string(layer)));
  (void)Add(RunWord::kSource, Variant::FromText(std::u16string(source)));
  fid_ = Add(RunWord::kFid, Variant::FromLong(0));
  row_ = Add(RunWord::kRow, Variant::FromLong(0));
}

void RunWords::SetFeature(Variant fid, Variant row) {
  if (fid_ != nullptr) *fid_ = std::move(fid);
  if (row_ != nullptr) *row_ = std::move(row);
}

std::vector<std::u16string> RunWords::Names() const {
  std::vector<std::u16string> names;
  for (std::int32_t i = 1; i <= values_->Count(); ++i) {
    if (const std::u16string* key = values_->KeyAt(i)) names.push_back(*key);
  }
  return names;
}

}  // namespace pelt::host
