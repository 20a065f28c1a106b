#include "adapters/gdal/field_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "adapters/gdal/status_helpers.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"

namespace pelt::gdal::internal {
namespace {

using errors::Status;
using value::Variant;

constexpr double kSecondsPerDay = 86400.0;

template <class Number>
void AppendNumber(std::u16string& out, Number number) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  value::AppendAscii(out, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

// Elements joined with ",", the way list values read in a label.
template <class Number>
std::u16string JoinNumbers(const Number* numbers, int count) {
  std::u16string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += u',';
    AppendNumber(text, numbers[i]);
  }
  return text;
}

std::u16string JoinStrings(char** strings) {
  std::u16string text;
  for (int i = 0; strings != nullptr && strings[i] != nullptr; ++i) {
    if (i > 0) text += u',';
    text += value::FromUtf8(strings[i]);
  }
  return text;
}

struct DateTimeParts {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  float second = 0.0F;
  int time_zone = 0;
};

// The serial of the parts, keeping fractions of a second; nullopt when the
// date lies outside the range serials cover. GDAL reports a time alone with
// year, month and day 0, which becomes the zero day of the serial calendar.
std::optional<value::Date> SerialOf(const DateTimeParts& parts) {
  const bool time_only = parts.year == 0 && parts.month == 0 && parts.day == 0;
  double whole_seconds = std::floor(static_cast<double>(parts.second));
  if (whole_seconds < 0.0 || whole_seconds > 59.0) whole_seconds = 0.0;  // leap or damaged
  const std::optional<value::Date> date =
      time_only ? value::MakeDate(1899, 12, 30, parts.hour, parts.minute,
                                  static_cast<std::int32_t>(whole_seconds))
                : value::MakeDate(parts.year, parts.month, parts.day, parts.hour, parts.minute,
                                  static_cast<std::int32_t>(whole_seconds));
  if (!date) return std::nullopt;
  const double fraction = (static_cast<double>(parts.second) - whole_seconds) / kSecondsPerDay;
  if (fraction <= 0.0 || fraction >= 1.0 / kSecondsPerDay) return date;
  // Before the zero day the time of day runs away from zero, as the whole
  // serial's sign does.
  return value::Date{date->serial < 0.0 ? date->serial - fraction : date->serial + fraction};
}

// ISO 8601 text for a date no serial can hold (year 1 placeholders and the
// like), so such rows still get a label.
std::u16string IsoText(const DateTimeParts& parts, OGRFieldType type) {
  char buffer[64];
  int length = 0;
  const int seconds = static_cast<int>(parts.second);
  if (type == OFTDate) {
    length =
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
  } else {
    length = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", parts.year,
                           parts.month, parts.day, parts.hour, parts.minute, seconds);
  }
  if (length < 0) return std::u16string();
  const auto size = std::min(static_cast<std::size_t>(length), sizeof buffer - 1);
  return value::FromAscii(std::string_view(buffer, size));
}

Status ReadDate(const OGRFeature& feature, int index, Variant& value) {
  DateTimeParts parts;
  if (!feature.GetFieldAsDateTime(index, &parts.year, &parts.month, &parts.day, &parts.hour,
                                  &parts.minute, &parts.second, &parts.time_zone)) {
    const char* name = feature.GetFieldDefnRef(index)->GetNameRef();
    return StatusWithText(value::ErrorCode::kTypeMismatch,
                          u"The date of field " + value::FromUtf8(name) + u" cannot be read");
  }
  if (const std::optional<value::Date> date = SerialOf(parts)) {
    value = Variant::FromDate(*date);
  } else {
    value = Variant::FromText(IsoText(parts, feature.GetFieldDefnRef(index)->GetType()));
  }
  return Status::Ok();
}

Status ReadAttribute(const OGRFeature& feature, const LayerField& field, Variant& value) {
  const int index = field.ogr_index();
  if (!feature.IsFieldSetAndNotNull(index)) {
    value = Variant::Null();
    return Status::Ok();
  }
  int count = 0;
  switch (field.kind()) {
    case ValueKind::kBoolean:
      value = Variant::FromBoolean(feature.GetFieldAsInteger(index) != 0);
      return Status::Ok();
    case ValueKind::kSmallInteger: {
      const int number = feature.GetFieldAsInteger(index);
      // A driver may hand out a value wider than its declared subtype.
      value = number >= std::numeric_limits<std::int16_t>::min() &&
                      number <= std::numeric_limits<std::int16_t>::max()
                  ? Variant::FromInteger(static_cast<std::int16_t>(number))
                  : Variant::FromLong(number);
      return Status::Ok();
    }
    case ValueKind::kInteger:
      value = Variant::FromLong(feature.GetFieldAsInteger(index));
      return Status::Ok();
    case ValueKind::kInteger64:
      value = WideIntegerValue(feature.GetFieldAsInteger64(index));
      return Status::Ok();
    case ValueKind::kReal:
      value = Variant::FromDouble(feature.GetFieldAsDouble(index));
      return Status::Ok();
    case ValueKind::kText:
      value::AssignFromUtf8(feature.GetFieldAsString(index), value.TextToFill());
      return Status::Ok();
    case ValueKind::kDate: return ReadDate(feature, index, value);
    case ValueKind::kStringList:
      value = Variant::FromText(JoinStrings(feature.GetFieldAsStringList(index)));
      return Status::Ok();
    case ValueKind::kIntegerList: {
      const int* numbers = feature.GetFieldAsIntegerList(index, &count);
      value = Variant::FromText(JoinNumbers(numbers, count));
      return Status::Ok();
    }
    case ValueKind::kInteger64List: {
      const GIntBig* numbers = feature.GetFieldAsInteger64List(index, &count);
      value = Variant::FromText(JoinNumbers(numbers, count));
      return Status::Ok();
    }
    case ValueKind::kRealList: {
      const double* numbers = feature.GetFieldAsDoubleList(index, &count);
      value = Variant::FromText(JoinNumbers(numbers, count));
      return Status::Ok();
    }
    case ValueKind::kBinary: return StatusFromCode(value::ErrorCode::kTypeMismatch);
    case ValueKind::kFid:
    case ValueKind::kGeometry: break;
  }
  return StatusFromCode(value::ErrorCode::kInternalError);
}

}  // namespace

Variant WideIntegerValue(GIntBig number) {
  if (number >= std::numeric_limits<std::int32_t>::min() &&
      number <= std::numeric_limits<std::int32_t>::max()) {
    return Variant::FromLong(static_cast<std::int32_t>(number));
  }
  return Variant::FromDouble(static_cast<double>(number));
}

Status ReadFieldValue(const OGRFeature& feature, const LayerField& field, Variant& value) {
  switch (field.kind()) {
    case ValueKind::kFid: value = WideIntegerValue(feature.GetFID()); return Status::Ok();
    case ValueKind::kGeometry:
      if (feature.GetGeomFieldRef(field.ogr_index()) == nullptr) {
        value = Variant::Null();
        return Status::Ok();
      }
      return StatusFromCode(value::ErrorCode::kTypeMismatch);
    default: return ReadAttribute(feature, field, value);
  }
}

}  // namespace pelt::gdal::internal
