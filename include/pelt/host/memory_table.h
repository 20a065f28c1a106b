#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pelt/host/host_table.h"
#include "pelt/value/variant.h"

namespace pelt::host {

// The seven host operations, listed in operations.def.
enum class Operation {
#define PELT_HOST_OPERATION(id, name) id,
#include "pelt/host/operations.def"
#undef PELT_HOST_OPERATION
};
std::u16string_view OperationName(Operation op);  // "FieldList", "ValueAt" …

struct FieldSpec {
  std::u16string name;
  FieldType type = FieldType::kString;
};

class MemoryRow;

// An attribute table held in memory, for embedding and for tests. Field
// names match case-insensitively. It can record every call made on it (and
// on its fields and rows) and can be told to fail the n-th call of an
// operation, so callers' call order and fault handling can be checked.
class MemoryTable final : public HostTable {
 public:
  explicit MemoryTable(std::vector<FieldSpec> fields);
  ~MemoryTable() override;
  MemoryTable(const MemoryTable&) = delete;
  MemoryTable& operator=(const MemoryTable&) = delete;
  // Rows and fields keep pointing at the shared state, so moving is safe.
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

  // --- Call recording (off until enabled) ---
  struct Call {
    Operation op;
    std::u16string argument;  // the name for IndexOfField, the index for
                              // FieldAt and ValueAt, "" otherwise
    friend bool operator==(const Call&, const Call&) = default;
  };
  void RecordCalls(bool on);
  const std::vector<Call>& calls() const;
  void ClearCalls();
  // The calls as one line: "IndexOfField(NAME) FieldList FieldAt(0) …".
  std::u16string CallTrace() const;

  // --- Fault injection ---
  // Makes the n-th call (1-based, counted from now) of op fail with status;
  // nullopt counts calls of every operation together. One fault is armed at a
  // time; a new one replaces the old. The counters restart on arming.
  void FailCall(std::optional<Operation> op, std::int64_t n, Status status);
  // The default failure status used by tests: number 91 from "MemoryTable".
  static Status InjectedFailure(Operation op);
  void ClearFault();

  // Every call of every operation made so far (recorded or not).
  std::int64_t TotalCalls() const;

  // For tables wider than 16 bits: IndexOfField returns base + position and
  // FieldAt/ValueAt accept such indices. 0 by default.
  void SetIndexBase(std::int32_t base);

  struct State;  // shared with the fields and rows

 private:
  std::shared_ptr<State> state_;
};

class MemoryRow final : public HostRow {
 public:
  // Rows belong to their table's state, which therefore outlives them.
  MemoryRow(MemoryTable::State* state, std::vector<value::Variant> values);
  Status ValueAt(std::int32_t index, value::Variant& value) override;
  void Set(std::size_t zero_based_field, value::Variant value);

 private:
  MemoryTable::State* state_;
  std::vector<value::Variant> values_;
};

}  // namespace pelt::host
