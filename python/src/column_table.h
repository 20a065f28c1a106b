#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pelt/host/host_table.h"

namespace pelt::python {

// How a column's cells are stored, as the Python side hands them over, with
// the name the Python side knows each by:
//   kNone          no cells: a geometry column, or one the expression does not name
//   kBoolean       uint8, 0 or 1
//   kSmallInteger  int64 holding 16-bit values
//   kInteger       int64: a Long within 32 bits, a Double beyond
//   kReal          float64, NaN for null
//   kDate          int64 microseconds since 1970, INT64_MIN for null
//   kText          UTF-16 in one buffer, with the end of each cell
// clang-format off
#define PELT_CELL_KINDS(X)              \
  X(kNone, "none")                      \
  X(kBoolean, "boolean")                \
  X(kSmallInteger, "small_integer")     \
  X(kInteger, "integer")                \
  X(kReal, "real")                      \
  X(kDate, "date")                      \
  X(kText, "text")
// clang-format on
enum class CellKind : std::uint8_t {
#define PELT_CELL_KIND_ID(id, name) id,
  PELT_CELL_KINDS(PELT_CELL_KIND_ID)
#undef PELT_CELL_KIND_ID
};

// One column. Numeric cells are read in place from the caller's buffers,
// which must outlive the table; text is copied once into `text`.
struct Column {
  std::u16string name;
  host::FieldType type = host::FieldType::kString;
  CellKind kind = CellKind::kNone;
  const void* cells = nullptr;            // numeric kinds
  const std::uint8_t* missing = nullptr;  // optional: 1 marks a null cell
  std::u16string text;                    // kText: the cells one after another
  std::vector<std::size_t> text_ends;     // kText: end of cell i in text
  std::vector<std::uint8_t> text_null;    // kText: 1 marks a null cell
};

class ColumnRow;

// Columns served as a host table: the shape of a data frame. Field names
// match case-insensitively; the first of two names that match wins.
class ColumnTable final : public host::HostTable {
 public:
  explicit ColumnTable(std::vector<Column> columns);
  ~ColumnTable() override;
  ColumnTable(const ColumnTable&) = delete;
  ColumnTable& operator=(const ColumnTable&) = delete;

  host::Status FieldList(host::HostFields*& fields) override;
  host::Status IndexOfField(std::u16string_view name, std::int32_t& index) override;

  const Column& column(std::int32_t index) const {
    return columns_[static_cast<std::size_t>(index)];
  }

 private:
  class Fields;
  std::vector<Column> columns_;
  // Names as written first: most expressions spell them so, and the look-up
  // then costs no case folding.
  std::unordered_map<std::u16string_view, std::int32_t> index_by_name_;
  std::unordered_map<std::u16string, std::int32_t> index_by_folded_name_;
  std::unique_ptr<Fields> fields_;
};

// One row of a ColumnTable, moved from row to row by its reader.
class ColumnRow final : public host::HostRow {
 public:
  explicit ColumnRow(const ColumnTable& table) : table_(table) {}
  void MoveTo(std::size_t row) { row_ = row; }
  host::Status ValueAt(std::int32_t index, value::Variant& value) override;

 private:
  const ColumnTable& table_;
  std::size_t row_ = 0;
};

}  // namespace pelt::python
