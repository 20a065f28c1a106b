#pragma once

#include <memory>
#include <string>
#include <vector>

#include "pelt/host/host_table.h"
#include "pelt/value/variant.h"

namespace pelt::host {

struct FieldSpec {
  std::u16string name;
  FieldType type = FieldType::kString;
};

class MemoryRow;

// An attribute table held in memory, for embedding and for tests. Field
// names match case-insensitively.
class MemoryTable final : public HostTable {
 public:
  explicit MemoryTable(std::vector<FieldSpec> fields);
  ~MemoryTable() override;
  MemoryTable(const MemoryTable&) = delete;
  MemoryTable& operator=(const MemoryTable&) = delete;
  // The field list and fields live in the state, so moving is safe.
  MemoryTable(MemoryTable&&) noexcept;
  MemoryTable& operator=(MemoryTable&&) noexcept;

  // Appends a row; values beyond the field count are dropped, missing ones
  // are null. The row lives as long as the table.
  MemoryRow& AddRow(std::vector<value::Variant> values);
  std::size_t RowCount() const;
  MemoryRow& Row(std::size_t zero_based);

  // HostTable
  Status FieldList(HostFields*& fields) override;
  Status IndexOfField(std::u16string_view name, std::int32_t& index) override;

  struct State;  // shared with the field list

 private:
  std::unique_ptr<State> state_;
};

class MemoryRow final : public HostRow {
 public:
  // One value per field of the table.
  explicit MemoryRow(std::vector<value::Variant> values);
  Status ValueAt(std::int32_t index, value::Variant& value) override;
  const value::Variant* HeldValueAt(std::int32_t index) override;
  void Set(std::size_t zero_based_field, value::Variant value);
  // The field's value, to be changed in place (keeping a text's storage).
  value::Variant& At(std::size_t zero_based_field) { return values_.at(zero_based_field); }

 private:
  std::vector<value::Variant> values_;
};

}  // namespace pelt::host
