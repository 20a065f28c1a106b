#include "run_words.h"

#include <algorithm>
#include <optional>

#include "cells.h"
#include "pelt/value/date_serial.h"

namespace pelt::web {

using value::Variant;

bool RunWords::Give(std::u16string_view key, Variant value) {
  return values_->Add(std::move(value), key) == value::ErrorCode::kNone;
}

void RunWords::AddClock(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  const std::optional<value::Date> today =
      value::MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const std::optional<value::Date> time_of_day =
      value::MakeDate(1899, 12, 30, local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
  if (today) (void)values_->Add(Variant::FromDate(*today), u"DATE");
  if (time_of_day) (void)values_->Add(Variant::FromDate(*time_of_day), u"TIME");
}

void RunWords::AddLayer() {
  (void)values_->Add(Variant::FromText(u""), u"LAYER");
  (void)values_->Add(Variant::FromText(u""), u"SOURCE");
  if (values_->Add(Variant::FromLong(0), u"FID") == value::ErrorCode::kNone) {
    fid_ = values_->MutableItemByKey(u"FID");
  }
  if (values_->Add(Variant::FromLong(0), u"ROW") == value::ErrorCode::kNone) {
    row_ = values_->MutableItemByKey(u"ROW");
  }
}

void RunWords::SetFeature(double fid, double row) {
  if (fid_ != nullptr) *fid_ = CellValue(CellKind::kInteger, fid, {});
  if (row_ != nullptr) *row_ = CellValue(CellKind::kInteger, row, {});
}

std::vector<std::u16string> RunWords::Names() const {
  std::vector<std::u16string> names;
  for (std::int32_t i = 1; i <= values_->Count(); ++i) {
    if (const std::u16string* key = values_->KeyAt(i)) names.push_back(*key);
  }
  return names;
}

}  // namespace pelt::web
