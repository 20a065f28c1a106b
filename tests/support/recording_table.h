#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/host/host_table.h"

namespace pelt::testing {

// The seven host operations, listed in host_operations.def.
enum class Operation {
#define PELT_HOST_OPERATION(id, name) id,
#include "support/host_operations.def"
#undef PELT_HOST_OPERATION
};
std::u16string_view OperationName(Operation op);  // "FieldList", "ValueAt" …

// A host table seen through a recorder: every call made on it, and on the
// field lists, fields and rows it hands out, is recorded and passed on to
// the wrapped table, unless it is the call made to fail. So callers' call
// order and fault handling can be checked. What it hands out lives as long
// as the recorder.
class RecordingTable final : public host::HostTable {
 public:
  explicit RecordingTable(host::HostTable& table);
  ~RecordingTable() override;

  // A row of the wrapped table, seen through the recorder.
  host::HostRow& Row(host::HostRow& row);

  // HostTable
  host::Status FieldList(host::HostFields*& fields) override;
  host::Status IndexOfField(std::u16string_view name, std::int32_t& index) override;

  struct Call {
    Operation op;
    std::u16string argument;  // the name for IndexOfField, the field's name for
                              // FieldName and FieldTypeCode, the index for
                              // FieldAt and ValueAt, "" otherwise
  };
  const std::vector<Call>& calls() const;
  void ClearCalls();
  // The calls as one line: "IndexOfField(NAME) FieldList FieldAt(0) …".
  std::u16string CallTrace() const;

  // Makes the n-th call (1-based, counted from now) of op fail with status;
  // nullopt counts calls of every operation together. One fault is armed at a
  // time; a new one replaces the old.
  void FailCall(std::optional<Operation> op, std::int64_t n, host::Status status);
  // Number 91 from "RecordingTable", described as "Injected failure of <op>".
  static host::Status InjectedFailure(Operation op);
  void ClearFault();

  // Poses as a table wider than 16 bits: the indices IndexOfField gives are
  // the wrapped table's plus base, and FieldAt and ValueAt take them so.
  void SetIndexBase(std::int32_t base);

  struct State;  // shared with what the recorder hands out

 private:
  std::unique_ptr<State> state_;
};

}  // namespace pelt::testing
