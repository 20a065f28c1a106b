#include "qgis_values.h"

#include <qgsfields.h>

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "date_columns.h"
#include "pelt/value/text.h"

namespace pelt::qgis {
namespace {

constexpr std::int64_t kMicrosecondsPerDay = 86'400'000'000;
constexpr std::int64_t kJulianDayOf1970 = 2'440'588;
// A time alone stands on the zero day of serial dates, 30 December 1899.
constexpr std::int64_t kJulianZeroDay = 2'415'019;

host::FieldType FieldTypeOf(QVariant::Type type) {
  switch (type) {
#define PELT_QGIS_FIELD_TYPE(qgis_type, library_type) \
  case QVariant::qgis_type:                           \
    return host::FieldType::k##library_type;
#include "field_types.def"
#undef PELT_QGIS_FIELD_TYPE
    default: return host::FieldType::kString;
  }
}

void AppendText(const QString& text, std::u16string& out) {
  out.append(reinterpret_cast<const char16_t*>(text.constData()),
             static_cast<std::size_t>(text.size()));
}

value::Variant Integer(std::int64_t number) {
  if (number >= std::numeric_limits<std::int32_t>::min() &&
      number <= std::numeric_limits<std::int32_t>::max()) {
    return value::Variant::FromLong(static_cast<std::int32_t>(number));
  }
  return value::Variant::FromDouble(static_cast<double>(number));
}

value::Variant DateTimeValue(std::int64_t julian_day, const QTime& time) {
  const std::int64_t micros =
      (julian_day - kJulianDayOf1970) * kMicrosecondsPerDay +
      static_cast<std::int64_t>(time.isValid() ? time.msecsSinceStartOfDay() : 0) * 1000;
  return python::DateValue(micros);
}

template <class Number>
void AppendNumber(Number number, std::u16string& out) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  value::AppendAscii(out, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

void AppendListItem(const QVariant& item, std::u16string& out) {
  switch (item.type()) {
    case QVariant::Int:
    case QVariant::LongLong: AppendNumber(item.toLongLong(), out); return;
    case QVariant::UInt:
    case QVariant::ULongLong: AppendNumber(item.toULongLong(), out); return;
    case QVariant::Double: AppendNumber(item.toDouble(), out); return;
    default: AppendText(item.toString(), out);
  }
}

}  // namespace

std::vector<host::FieldSpec> FieldSpecs(const QgsFields& fields) {
  std::vector<host::FieldSpec> described;
  described.reserve(static_cast<std::size_t>(fields.count()));
  for (int i = 0; i < fields.count(); ++i) {
    const QgsField field = fields.at(i);
    std::u16string name;
    AppendText(field.name(), name);
    described.push_back({std::move(name), FieldTypeOf(field.type())});
  }
  return described;
}

void ReadValue(const QVariant& attribute, value::Variant& out) {
  if (attribute.isNull()) {
    out = value::Variant::Null();
    return;
  }
  switch (static_cast<int>(attribute.type())) {
    case QVariant::Bool: out = value::Variant::FromBoolean(attribute.toBool()); return;
    case QVariant::Int:
    case QVariant::UInt:
    case QVariant::LongLong: out = Integer(attribute.toLongLong()); return;
    case QVariant::ULongLong: {
      const qulonglong number = attribute.toULongLong();
      out = number <= static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max())
                ? Integer(static_cast<std::int64_t>(number))
                : value::Variant::FromDouble(static_cast<double>(number));
      return;
    }
    case QVariant::Double:
    case QMetaType::Float: {
      const double number = attribute.toDouble();
      out = std::isnan(number) ? value::Variant::Null() : value::Variant::FromDouble(number);
      return;
    }
    case QVariant::String: {
      std::u16string& text = out.TextToFill();
      text.clear();
      AppendText(attribute.toString(), text);
      return;
    }
    case QVariant::Date: {
      const QDate date = attribute.toDate();
      out = date.isValid() ? DateTimeValue(date.toJulianDay(), QTime()) : value::Variant::Null();
      return;
    }
    case QVariant::Time: {
      const QTime time = attribute.toTime();
      out = time.isValid() ? DateTimeValue(kJulianZeroDay, time) : value::Variant::Null();
      return;
    }
    case QVariant::DateTime: {
      // The wall-clock time the value shows, its time zone dropped.
      const QDateTime moment = attribute.toDateTime();
      out = moment.isValid() ? DateTimeValue(moment.date().toJulianDay(), moment.time())
                             : value::Variant::Null();
      return;
    }
    case QVariant::StringList:
    case QVariant::List: {
      std::u16string& text = out.TextToFill();
      text.clear();
      const QVariantList items = attribute.toList();
      for (int i = 0; i < items.size(); ++i) {
        if (i > 0) text += u',';
        AppendListItem(items.at(i), text);
      }
      return;
    }
    default: out = value::Variant::Null();
  }
}

}  // namespace pelt::qgis
