#include "reserved_words.h"

#include <ctime>
#include <filesystem>
#include <limits>

#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"

namespace pelt::tools {
namespace {

using value::Variant;

// Ids beyond 32 bits stay exact as doubles up to 2^53.
Variant WholeNumber(std::int64_t n) {
  if (n >= std::numeric_limits<std::int32_t>::min() &&
      n <= std::numeric_limits<std::int32_t>::max()) {
    return Variant::FromLong(static_cast<std::int32_t>(n));
  }
  return Variant::FromDouble(static_cast<double>(n));
}

// A reserved word is a run of ASCII letters, digits and "_".
bool IsWord(std::string_view key) {
  if (key.empty()) return false;
  for (char c : key) {
    const bool word =
        (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!word) return false;
  }
  return true;
}

}  // namespace

bool ReservedWordValues::Build(std::string_view layer, std::string_view source_path,
                               const std::vector<std::string_view>& sets, std::time_t now,
                               std::string& error) {
  // --set pairs first: Add refuses a key that is already there, so the
  // built-in values below never replace what the user gave.
  for (std::string_view set : sets) {
    const std::size_t equals = set.find('=');
    const std::string_view key = set.substr(0, equals);
    if (equals == std::string_view::npos || !IsWord(key)) {
      error = "--set needs KEY=VALUE with a KEY of letters, digits and _, not '" +
              std::string(set) + "'";
      return false;
    }
    if (values_->Add(Variant::FromText(value::FromUtf8(set.substr(equals + 1))),
                     value::FromUtf8(key)) != value::ErrorCode::kNone) {
      error = "--set gives " + std::string(key) + " more than once";
      return false;
    }
  }

  std::tm local{};
  localtime_r(&now, &local);
  const std::optional<value::Date> today =
      value::MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const std::optional<value::Date> time_of_day =
      value::MakeDate(1899, 12, 30, local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
  if (today) (void)values_->Add(Variant::FromDate(*today), u"DATE");
  if (time_of_day) (void)values_->Add(Variant::FromDate(*time_of_day), u"TIME");
  (void)values_->Add(Variant::FromText(value::FromUtf8(layer)), u"LAYER");
  const std::string file_name = std::filesystem::path(source_path).filename().string();
  (void)values_->Add(Variant::FromText(value::FromUtf8(file_name)), u"SOURCE");
  // FID and ROW change per feature; when --set fixed them they stay fixed.
  if (values_->Add(Variant::FromLong(0), u"FID") == value::ErrorCode::kNone) {
    fid_ = values_->MutableItemByKey(u"FID");
  }
  if (values_->Add(Variant::FromLong(0), u"ROW") == value::ErrorCode::kNone) {
    row_ = values_->MutableItemByKey(u"ROW");
  }
  return true;
}

void ReservedWordValues::SetFeature(std::int64_t fid, std::int64_t row) {
  if (fid_ != nullptr) *fid_ = WholeNumber(fid);
  if (row_ != nullptr) *row_ = WholeNumber(row);
}

}  // namespace pelt::tools
