#include "column_table.h"

#include <cmath>
#include <limits>
#include <memory>

#include "date_columns.h"
#include "pelt/value/text.h"

namespace pelt::python {
namespace {

using value::Variant;

class ColumnField final : public host::HostField {
 public:
  explicit ColumnField(const Column& column) : column_(column) {}
  host::Status FieldName(std::u16string& name) override {
    name = column_.name;
    return host::Status::Ok();
  }
  host::Status FieldTypeCode(host::FieldType& code) override {
    code = column_.type;
    return host::Status::Ok();
  }

 private:
  const Column& column_;
};

template <class Cell>
Cell CellAt(const Column& column, std::size_t row) {
  return static_cast<const Cell*>(column.cells)[row];
}

Variant WholeNumber(std::int64_t number) {
  // As the GDAL adapter gives 64-bit integers: exact as doubles up to 2^53.
  if (number >= std::numeric_limits<std::int32_t>::min() &&
      number <= std::numeric_limits<std::int32_t>::max()) {
    return Variant::FromLong(static_cast<std::int32_t>(number));
  }
  return Variant::FromDouble(static_cast<double>(number));
}

Variant SmallWholeNumber(std::int64_t number) {
  if (number >= std::numeric_limits<std::int16_t>::min() &&
      number <= std::numeric_limits<std::int16_t>::max()) {
    return Variant::FromInteger(static_cast<std::int16_t>(number));
  }
  return WholeNumber(number);
}

Variant CellValue(const Column& column, std::size_t row) {
  if (column.missing != nullptr && column.missing[row] != 0) return Variant::Null();
  switch (column.kind) {
    case CellKind::kBoolean: return Variant::FromBoolean(CellAt<std::uint8_t>(column, row) != 0);
    case CellKind::kSmallInteger: return SmallWholeNumber(CellAt<std::int64_t>(column, row));
    case CellKind::kInteger: return WholeNumber(CellAt<std::int64_t>(column, row));
    case CellKind::kReal: {
      const double number = CellAt<double>(column, row);
      return std::isnan(number) ? Variant::Null() : Variant::FromDouble(number);
    }
    case CellKind::kDate: {
      const std::int64_t moment = CellAt<std::int64_t>(column, row);
      return moment == std::numeric_limits<std::int64_t>::min() ? Variant::Null()
                                                                : DateValue(moment);
    }
    case CellKind::kText:  // read by ReadText
    case CellKind::kNone: break;
  }
  return Variant::Null();
}

// Text goes into the caller's value, reusing its buffer: a reader that keeps
// its values from row to row allocates nothing per cell.
void ReadText(const Column& column, std::size_t row, Variant& value) {
  if (column.text_null[row] != 0) {
    value = Variant::Null();
    return;
  }
  const std::size_t begin = row == 0 ? 0 : column.text_ends[row - 1];
  const std::u16string_view text =
      std::u16string_view(column.text).substr(begin, column.text_ends[row] - begin);
  value.TextToFill().assign(text);
}

}  // namespace

class ColumnTable::Fields final : public host::HostFields {
 public:
  explicit Fields(const std::vector<Column>& columns) {
    fields_.reserve(columns.size());
    for (const Column& column : columns) fields_.emplace_back(column);
  }
  host::Status FieldCount(std::int32_t& count) override {
    count = static_cast<std::int32_t>(fields_.size());
    return host::Status::Ok();
  }
  host::Status FieldAt(std::int32_t index, host::HostField*& field) override {
    if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) {
      return host::Status::FromCode(value::ErrorCode::kSubscriptOutOfRange, u"peltexpressions");
    }
    field = &fields_[static_cast<std::size_t>(index)];
    return host::Status::Ok();
  }

 private:
  std::vector<ColumnField> fields_;
};

ColumnTable::ColumnTable(std::vector<Column> columns) : columns_(std::move(columns)) {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const auto index = static_cast<std::int32_t>(i);
    index_by_folded_name_.emplace(value::CaseFold(columns_[i].name), index);
  }
  // A name that folds like an earlier one reads that one, as the folded
  // look-up does.
  for (const Column& column : columns_) {
    index_by_name_.emplace(column.name, index_by_folded_name_.at(value::CaseFold(column.name)));
  }
  fields_ = std::make_unique<Fields>(columns_);
}

ColumnTable::~ColumnTable() = default;

host::Status ColumnTable::FieldList(host::HostFields*& fields) {
  fields = fields_.get();
  return host::Status::Ok();
}

host::Status ColumnTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  if (const auto exact = index_by_name_.find(name); exact != index_by_name_.end()) {
    index = exact->second;
    return host::Status::Ok();
  }
  const auto found = index_by_folded_name_.find(value::CaseFold(name));
  index = found == index_by_folded_name_.end() ? -1 : found->second;
  return host::Status::Ok();
}

host::Status ColumnRow::ValueAt(std::int32_t index, value::Variant& value) {
  const Column& column = table_.column(index);
  if (column.kind == CellKind::kText) {
    ReadText(column, row_, value);
  } else {
    value = CellValue(column, row_);
  }
  return host::Status::Ok();
}

}  // namespace pelt::python
