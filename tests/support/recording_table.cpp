#include "support/recording_table.h"

#include <map>
#include <utility>

#include "pelt/value/named.h"
#include "pelt/value/text.h"

namespace pelt::testing {

using host::HostField;
using host::HostFields;
using host::HostRow;
using host::Status;

struct RecordingTable::State {
  explicit State(host::HostTable& wrapped) : table(wrapped) {}

  // Records a call, then makes it through pass unless it is the call to fail.
  template <class Pass>
  Status Record(Operation op, std::u16string argument, Pass pass) {
    calls.push_back(Call{op, std::move(argument)});
    const bool counts = fault_at > 0 && (!fault_op || *fault_op == op);
    return counts && ++fault_counter == fault_at ? fault_status : pass();
  }

  // The recorder's stand-in for an object the wrapped table handed out, made
  // on first need.
  template <class StandInType, class Wrapped>
  Wrapped* StandIn(Wrapped* wrapped) {
    if (wrapped == nullptr) return nullptr;
    std::shared_ptr<void>& made = stand_ins[wrapped];
    if (!made) made = std::make_shared<StandInType>(*this, *wrapped);
    return static_cast<StandInType*>(made.get());
  }

  host::HostTable& table;
  std::vector<Call> calls;
  std::optional<Operation> fault_op;
  std::int64_t fault_at = 0;  // 0: no fault armed
  std::int64_t fault_counter = 0;
  Status fault_status;
  std::int32_t index_base = 0;
  std::map<const void*, std::shared_ptr<void>> stand_ins;
};

namespace {

std::u16string IndexText(std::int32_t index) { return value::FromAscii(std::to_string(index)); }

// What the recorder hands out in place of one of the wrapped table's objects.
template <class Interface>
class Recorded : public Interface {
 public:
  Recorded(RecordingTable::State& state, Interface& wrapped) : state_(state), wrapped_(wrapped) {}

 protected:
  RecordingTable::State& state_;
  Interface& wrapped_;
};

class RecordedField final : public Recorded<HostField> {
 public:
  RecordedField(RecordingTable::State& state, HostField& field) : Recorded(state, field) {
    static_cast<void>(field.FieldName(name_));  // for the call records
  }
  Status FieldName(std::u16string& name) override {
    return state_.Record(Operation::kFieldName, name_, [&] { return wrapped_.FieldName(name); });
  }
  Status FieldTypeCode(host::FieldType& code) override {
    return state_.Record(Operation::kFieldTypeCode, name_,
                         [&] { return wrapped_.FieldTypeCode(code); });
  }

 private:
  std::u16string name_;
};

class RecordedFields final : public Recorded<HostFields> {
 public:
  using Recorded::Recorded;
  Status FieldCount(std::int32_t& count) override {
    return state_.Record(Operation::kFieldCount, u"", [&] { return wrapped_.FieldCount(count); });
  }
  Status FieldAt(std::int32_t index, HostField*& field) override {
    return state_.Record(Operation::kFieldAt, IndexText(index), [&] {
      Status status = wrapped_.FieldAt(index - state_.index_base, field);
      if (status.ok()) field = state_.StandIn<RecordedField>(field);
      return status;
    });
  }
};

class RecordedRow final : public Recorded<HostRow> {
 public:
  using Recorded::Recorded;
  Status ValueAt(std::int32_t index, value::Variant& value) override {
    return state_.Record(Operation::kValueAt, IndexText(index),
                         [&] { return wrapped_.ValueAt(index - state_.index_base, value); });
  }
};

}  // namespace

RecordingTable::RecordingTable(host::HostTable& table) : state_(std::make_unique<State>(table)) {}
RecordingTable::~RecordingTable() = default;

HostRow& RecordingTable::Row(HostRow& row) { return *state_->StandIn<RecordedRow>(&row); }

Status RecordingTable::FieldList(HostFields*& fields) {
  return state_->Record(Operation::kFieldList, u"", [&] {
    Status status = state_->table.FieldList(fields);
    if (status.ok()) fields = state_->StandIn<RecordedFields>(fields);
    return status;
  });
}

Status RecordingTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  return state_->Record(Operation::kIndexOfField, std::u16string(name), [&] {
    Status status = state_->table.IndexOfField(name, index);
    if (status.ok() && index >= 0) index += state_->index_base;
    return status;
  });
}

const std::vector<RecordingTable::Call>& RecordingTable::calls() const { return state_->calls; }
void RecordingTable::ClearCalls() { state_->calls.clear(); }

std::u16string RecordingTable::CallTrace() const {
  std::u16string trace;
  for (const Call& call : state_->calls) {
    if (!trace.empty()) trace += u' ';
    trace += OperationName(call.op);
    if (!call.argument.empty()) trace += u'(' + call.argument + u')';
  }
  return trace;
}

void RecordingTable::FailCall(std::optional<Operation> op, std::int64_t n, Status status) {
  state_->fault_op = op;
  state_->fault_at = n;
  state_->fault_counter = 0;
  state_->fault_status = std::move(status);
}

Status RecordingTable::InjectedFailure(Operation op) {
  return Status(91, u"RecordingTable", u"Injected failure of " + std::u16string(OperationName(op)));
}

void RecordingTable::ClearFault() { state_->fault_at = 0; }
void RecordingTable::SetIndexBase(std::int32_t base) { state_->index_base = base; }

std::u16string_view OperationName(Operation op) {
  static constexpr value::Named<Operation> kNames[] = {
#define PELT_HOST_OPERATION(id, name) {Operation::id, name},
#include "support/host_operations.def"
#undef PELT_HOST_OPERATION
  };
  return value::NameIn(kNames, op, std::u16string_view(u"?"));
}

}  // namespace pelt::testing
