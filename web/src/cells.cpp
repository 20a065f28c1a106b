#include "cells.h"

#include <cmath>
#include <limits>

#include "date_columns.h"
#include "pelt/value/text.h"

namespace pelt::web {
namespace {

using value::Variant;

// Whole numbers as the GDAL adapter gives them: 32 bits as Long, wider ones
// as Double (exact up to 2^53); a SmallInteger field's as Integer when they
// fit 16 bits.
Variant WholeNumber(double number, bool small) {
  if (small && number >= std::numeric_limits<std::int16_t>::min() &&
      number <= std::numeric_limits<std::int16_t>::max()) {
    return Variant::FromInteger(static_cast<std::int16_t>(number));
  }
  if (number >= std::numeric_limits<std::int32_t>::min() &&
      number <= std::numeric_limits<std::int32_t>::max()) {
    return Variant::FromLong(static_cast<std::int32_t>(number));
  }
  return Variant::FromDouble(number);
}

}  // namespace

Variant CellValue(CellKind kind, double number, std::u16string_view text) {
  switch (kind) {
    case CellKind::kNull: return Variant::Null();
    case CellKind::kFalse: return Variant::FromBoolean(false);
    case CellKind::kTrue: return Variant::FromBoolean(true);
    case CellKind::kSmallInteger: return WholeNumber(number, true);
    case CellKind::kInteger: return WholeNumber(number, false);
    case CellKind::kDouble: return std::isnan(number) ? Variant::Null() : Variant::FromDouble(number);
    case CellKind::kText: return Variant::FromText(std::u16string(text));
    case CellKind::kDate:
      return python::DateValue(static_cast<python::EpochMicroseconds>(number) * 1000);
  }
  return Variant::Null();
}

void CellBatch::Resize(std::size_t cells, std::size_t text_bytes) {
  kinds_.resize(cells);
  numbers_.resize(cells);
  text_ends_.resize(cells);
  utf8_.resize(text_bytes);
}

void CellBatch::TakeText(std::size_t text_bytes) {
  value::AssignFromUtf8(std::string_view(utf8_.data(), text_bytes), text_);
}

void CellBatch::ReadInto(std::size_t cell, Variant& out) const {
  const auto kind = static_cast<CellKind>(kinds_[cell]);
  if (kind != CellKind::kText) {
    out = CellValue(kind, numbers_[cell], {});
    return;
  }
  const std::size_t begin = cell == 0 ? 0 : text_ends_[cell - 1];
  out.TextToFill().assign(std::u16string_view(text_).substr(begin, text_ends_[cell] - begin));
}

}  // namespace pelt::web
