#include "pelt/host/memory_table.h"

#include <deque>
#include <string>
#include <unordered_map>

#include "pelt/value/named.h"
#include "pelt/value/text.h"

namespace pelt::host {

using value::Variant;

namespace {

constexpr std::u16string_view kSource = u"MemoryTable";
constexpr std::size_t kLinearLookupLimit = 32;

class MemoryField final : public HostField {
 public:
  MemoryField(MemoryTable::State* state, FieldSpec field_spec)
      : state_(state), spec_(std::move(field_spec)) {}
  Status FieldName(std::u16string& name) override;
  Status FieldTypeCode(FieldType& code) override;
  const FieldSpec& field_spec() const { return spec_; }

 private:
  MemoryTable::State* state_;
  FieldSpec spec_;
};

class MemoryFields final : public HostFields {
 public:
  explicit MemoryFields(MemoryTable::State* state) : state_(state) {}
  Status FieldCount(std::int32_t& count) override;
  Status FieldAt(std::int32_t index, HostField*& field) override;

 private:
  MemoryTable::State* state_;
};

std::u16string IndexText(std::int32_t index) { return value::FromAscii(std::to_string(index)); }

}  // namespace

struct MemoryTable::State {
  std::deque<MemoryField> fields;  // deque: stable addresses for FieldAt
  std::unordered_map<std::u16string, std::int32_t> index_by_folded_name;
  MemoryFields field_list{this};
  std::deque<MemoryRow> rows;
  std::int32_t index_base = 0;

  bool recording = false;
  std::vector<Call> calls;
  std::int64_t total_calls = 0;

  // The armed fault: fail when the matching call counter reaches fail_at.
  bool fault_armed = false;
  std::optional<Operation> fault_op;
  std::int64_t fault_at = 0;
  std::int64_t fault_counter = 0;
  Status fault_status;

  // Notes one call of op; returns the injected failure when it is due.
  // The argument is only spelled out when calls are recorded, so an
  // unrecorded table costs no allocation per call.
  Status Enter(Operation op, std::u16string_view name, std::int32_t index = 0) {
    ++total_calls;
    if (recording) {
      calls.push_back(
          Call{op, name.empty() && (op == Operation::kFieldAt || op == Operation::kValueAt)
                       ? IndexText(index)
                       : std::u16string(name)});
    }
    if (fault_armed && (!fault_op || *fault_op == op) && ++fault_counter == fault_at) {
      return fault_status;
    }
    return Status::Ok();
  }

  // The 0-based position of an index handed out by IndexOfField, or -1.
  std::int64_t Position(std::int32_t index) const {
    const std::int64_t position = static_cast<std::int64_t>(index) - index_base;
    return position >= 0 && position < static_cast<std::int64_t>(fields.size()) ? position : -1;
  }
};

Status MemoryField::FieldName(std::u16string& name) {
  Status status = state_->Enter(Operation::kFieldName, spec_.name);
  if (status.ok()) name = spec_.name;
  return status;
}

Status MemoryField::FieldTypeCode(FieldType& code) {
  Status status = state_->Enter(Operation::kFieldTypeCode, spec_.name);
  if (status.ok()) code = spec_.type;
  return status;
}

Status MemoryFields::FieldCount(std::int32_t& count) {
  Status status = state_->Enter(Operation::kFieldCount, u"");
  if (status.ok()) count = static_cast<std::int32_t>(state_->fields.size());
  return status;
}

Status MemoryFields::FieldAt(std::int32_t index, HostField*& field) {
  Status status = state_->Enter(Operation::kFieldAt, u"", index);
  if (!status.ok()) return status;
  const std::int64_t position = state_->Position(index);
  if (position < 0)
    return Status::FromCode(value::ErrorCode::kSubscriptOutOfRange, std::u16string(kSource));
  field = &state_->fields[static_cast<std::size_t>(position)];
  return status;
}

MemoryTable::MemoryTable(std::vector<FieldSpec> fields) : state_(std::make_shared<State>()) {
  for (FieldSpec& field_spec : fields) {
    const auto position = static_cast<std::int32_t>(state_->fields.size());
    state_->index_by_folded_name.try_emplace(value::CaseFold(field_spec.name), position);
    state_->fields.emplace_back(state_.get(), std::move(field_spec));
  }
}

MemoryTable::~MemoryTable() = default;
MemoryTable::MemoryTable(MemoryTable&&) noexcept = default;
MemoryTable& MemoryTable::operator=(MemoryTable&&) noexcept = default;

MemoryRow& MemoryTable::AddRow(std::vector<Variant> values) {
  values.resize(state_->fields.size(), Variant::Null());
  return state_->rows.emplace_back(state_.get(), std::move(values));
}

std::size_t MemoryTable::RowCount() const { return state_->rows.size(); }
MemoryRow& MemoryTable::Row(std::size_t zero_based) { return state_->rows.at(zero_based); }

Status MemoryTable::FieldList(HostFields*& fields) {
  Status status = state_->Enter(Operation::kFieldList, u"");
  if (status.ok()) fields = &state_->field_list;
  return status;
}

Status MemoryTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  Status status = state_->Enter(Operation::kIndexOfField, name);
  if (!status.ok()) return status;
  index = -1;
  // Most tables have a handful of fields: comparing in place beats folding
  // the name into a new string for the hash look-up.
  if (state_->fields.size() <= kLinearLookupLimit) {
    for (std::size_t i = 0; i < state_->fields.size(); ++i) {
      if (value::EqualsNoCase(state_->fields[i].field_spec().name, name)) {
        index = state_->index_base + static_cast<std::int32_t>(i);
        break;
      }
    }
    return status;
  }
  const auto it = state_->index_by_folded_name.find(value::CaseFold(name));
  if (it != state_->index_by_folded_name.end()) index = state_->index_base + it->second;
  return status;
}

void MemoryTable::RecordCalls(bool on) { state_->recording = on; }
const std::vector<MemoryTable::Call>& MemoryTable::calls() const { return state_->calls; }
void MemoryTable::ClearCalls() { state_->calls.clear(); }

std::u16string MemoryTable::CallTrace() const {
  std::u16string trace;
  for (const Call& call : state_->calls) {
    if (!trace.empty()) trace += u' ';
    trace += OperationName(call.op);
    if (!call.argument.empty()) {
      trace += u'(';
      trace += call.argument;
      trace += u')';
    }
  }
  return trace;
}

void MemoryTable::FailCall(std::optional<Operation> op, std::int64_t n, Status status) {
  state_->fault_armed = true;
  state_->fault_op = op;
  state_->fault_at = n;
  state_->fault_counter = 0;
  state_->fault_status = std::move(status);
}

Status MemoryTable::InjectedFailure(Operation op) {
  std::u16string description = u"Injected failure of ";
  description += OperationName(op);
  return Status(91, std::u16string(kSource), std::move(description));
}

void MemoryTable::ClearFault() { state_->fault_armed = false; }
std::int64_t MemoryTable::TotalCalls() const { return state_->total_calls; }
void MemoryTable::SetIndexBase(std::int32_t base) { state_->index_base = base; }

MemoryRow::MemoryRow(MemoryTable::State* state, std::vector<Variant> values)
    : state_(state), values_(std::move(values)) {}

Status MemoryRow::ValueAt(std::int32_t index, Variant& value) {
  Status status = state_->Enter(Operation::kValueAt, u"", index);
  if (!status.ok()) return status;
  const std::int64_t position = state_->Position(index);
  if (position < 0)
    return Status::FromCode(value::ErrorCode::kSubscriptOutOfRange, std::u16string(kSource));
  value = values_[static_cast<std::size_t>(position)];
  return status;
}

void MemoryRow::Set(std::size_t zero_based_field, Variant value) {
  values_.at(zero_based_field) = std::move(value);
}

std::u16string_view OperationName(Operation op) {
  static constexpr value::Named<Operation> kNames[] = {
#define PELT_HOST_OPERATION(id, name) {Operation::id, name},
#include "pelt/host/operations.def"
#undef PELT_HOST_OPERATION
  };
  return value::NameIn(kNames, op, std::u16string_view(u"?"));
}

}  // namespace pelt::host
