#include "pelt/host/memory_table.h"

#include <deque>
#include <string>
#include <unordered_map>

#include "pelt/value/text.h"

namespace pelt::host {

using value::Variant;

namespace {

constexpr std::u16string_view kSource = u"MemoryTable";
constexpr std::size_t kLinearLookupLimit = 32;

class MemoryField final : public HostField {
 public:
  explicit MemoryField(FieldSpec field_spec) : spec_(std::move(field_spec)) {}
  Status FieldName(std::u16string& name) override {
    name = spec_.name;
    return Status::Ok();
  }
  Status FieldTypeCode(FieldType& code) override {
    code = spec_.type;
    return Status::Ok();
  }
  const FieldSpec& field_spec() const { return spec_; }

 private:
  FieldSpec spec_;
};

class MemoryFields final : public HostFields {
 public:
  explicit MemoryFields(std::deque<MemoryField>& fields) : fields_(fields) {}
  Status FieldCount(std::int32_t& count) override {
    count = static_cast<std::int32_t>(fields_.size());
    return Status::Ok();
  }
  Status FieldAt(std::int32_t index, HostField*& field) override;

 private:
  std::deque<MemoryField>& fields_;
};

Status OutOfRange() {
  return Status::FromCode(value::ErrorCode::kSubscriptOutOfRange, std::u16string(kSource));
}

}  // namespace

struct MemoryTable::State {
  std::deque<MemoryField> fields;  // deque: stable addresses for FieldAt
  std::unordered_map<std::u16string, std::int32_t> index_by_folded_name;
  MemoryFields field_list{fields};
  std::deque<MemoryRow> rows;
};

Status MemoryFields::FieldAt(std::int32_t index, HostField*& field) {
  if (index < 0 || static_cast<std::size_t>(index) >= fields_.size()) return OutOfRange();
  field = &fields_[static_cast<std::size_t>(index)];
  return Status::Ok();
}

MemoryTable::MemoryTable(std::vector<FieldSpec> fields) : state_(std::make_unique<State>()) {
  for (FieldSpec& field_spec : fields) {
    const auto position = static_cast<std::int32_t>(state_->fields.size());
    state_->index_by_folded_name.try_emplace(value::CaseFold(field_spec.name), position);
    state_->fields.emplace_back(std::move(field_spec));
  }
}

MemoryTable::~MemoryTable() = default;
MemoryTable::MemoryTable(MemoryTable&&) noexcept = default;
MemoryTable& MemoryTable::operator=(MemoryTable&&) noexcept = default;

MemoryRow& MemoryTable::AddRow(std::vector<Variant> values) {
  values.resize(state_->fields.size(), Variant::Null());
  return state_->rows.emplace_back(std::move(values));
}

std::size_t MemoryTable::RowCount() const { return state_->rows.size(); }
MemoryRow& MemoryTable::Row(std::size_t zero_based) { return state_->rows.at(zero_based); }

Status MemoryTable::FieldList(HostFields*& fields) {
  fields = &state_->field_list;
  return Status::Ok();
}

Status MemoryTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  index = -1;
  // Most tables have a handful of fields: comparing in place beats folding
  // the name into a new string for the hash look-up.
  if (state_->fields.size() <= kLinearLookupLimit) {
    for (std::size_t i = 0; i < state_->fields.size(); ++i) {
      if (value::EqualsNoCase(state_->fields[i].field_spec().name, name)) {
        index = static_cast<std::int32_t>(i);
        break;
      }
    }
    return Status::Ok();
  }
  const auto it = state_->index_by_folded_name.find(value::CaseFold(name));
  if (it != state_->index_by_folded_name.end()) index = it->second;
  return Status::Ok();
}

MemoryRow::MemoryRow(std::vector<Variant> values) : values_(std::move(values)) {}

Status MemoryRow::ValueAt(std::int32_t index, Variant& value) {
  if (index < 0 || static_cast<std::size_t>(index) >= values_.size()) return OutOfRange();
  value = values_[static_cast<std::size_t>(index)];
  return Status::Ok();
}

const Variant* MemoryRow::HeldValueAt(std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= values_.size()) return nullptr;
  return &values_[static_cast<std::size_t>(index)];
}

void MemoryRow::Set(std::size_t zero_based_field, Variant value) {
  values_.at(zero_based_field) = std::move(value);
}

}  // namespace pelt::host
