#include "pelt/runtime/wrapped_objects.h"

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "pelt/runtime/status_conversion.h"
#include "pelt/runtime/value_conversion.h"
#include "pelt/value/error_code.h"
#include "pelt/value/text.h"

namespace pelt::runtime {

using errors::Status;

Status FailureStatus(Result result, HostObject* object) {
  ScopedExceptionRecord record;
  const bool described = object != nullptr && object->LastFailure(record.get()) == Result::kOk;
  return ToStatus(result, described ? &*record : nullptr);
}

namespace {

// The status of one call on object.
Status Checked(Result result, HostObject* object) {
  return Succeeded(result) ? Status::Ok() : FailureStatus(result, object);
}

// The identity of an object: its Object interface pointer, which is the same
// whichever interface it is reached through.
Object* Identity(Object* object) {
  Ref<Object> canonical;
  if (Failed(object->Query(Object::kId, canonical.PutVoid())) || !canonical) return object;
  return canonical.get();  // the object stays alive through the caller's reference
}

class RemoteField final : public host::HostField {
 public:
  explicit RemoteField(Ref<HostFieldObject> field) : field_(std::move(field)) {}
  HostFieldObject* object() const { return field_.get(); }

  Status FieldName(std::u16string& name) override {
    OwnedText text;
    PELT_RETURN_IF_FAILED(Checked(field_->FieldName(text.Put()), field_.get()));
    name.assign(text.view());
    return Status::Ok();
  }

  Status FieldTypeCode(host::FieldType& code) override {
    std::int32_t raw = 0;
    PELT_RETURN_IF_FAILED(Checked(field_->FieldTypeCode(&raw), field_.get()));
    code = static_cast<host::FieldType>(raw);
    return Status::Ok();
  }

 private:
  Ref<HostFieldObject> field_;
};

}  // namespace

class RemoteHostTable::Fields final : public host::HostFields {
 public:
  explicit Fields(Ref<HostFieldsObject> fields) : fields_(std::move(fields)) {}
  HostFieldsObject* object() const { return fields_.get(); }

  Status FieldCount(std::int32_t& count) override {
    return Checked(fields_->FieldCount(&count), fields_.get());
  }

  // Every call reaches the host; the wrapper handed out is the one already
  // made for the same field object, or a new one kept as long as this one.
  Status FieldAt(std::int32_t index, host::HostField*& field) override {
    Ref<HostFieldObject> remote;
    PELT_RETURN_IF_FAILED(Checked(fields_->FieldAt(index, remote.Put()), fields_.get()));
    if (!remote) return Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldAt");
    // The same interface pointer as a wrapped field's is that field (which
    // the wrapper holds): only another pointer needs asking for its identity.
    for (const auto& [pointer, known] : fields_by_pointer_) {
      if (pointer == remote.get()) {
        field = known;
        return Status::Ok();
      }
    }
    Object* identity = Identity(remote.get());
    auto found = fields_by_identity_.find(identity);
    if (found == fields_by_identity_.end()) {
      found =
          fields_by_identity_.emplace(identity, std::make_unique<RemoteField>(std::move(remote)))
              .first;
      fields_by_pointer_.emplace_back(found->second->object(), found->second.get());
    }
    field = found->second.get();
    return Status::Ok();
  }

 private:
  Ref<HostFieldsObject> fields_;
  std::map<Object*, std::unique_ptr<RemoteField>> fields_by_identity_;
  // The fields asked for, few: searched in order, no tree to walk.
  std::vector<std::pair<HostFieldObject*, RemoteField*>> fields_by_pointer_;
};

RemoteHostTable::RemoteHostTable(Ref<HostTableObject> table) : table_(std::move(table)) {}
RemoteHostTable::~RemoteHostTable() = default;

// Every call reaches the host, as the evaluator's own calls would; wrappers
// are reused for the same fields object and kept while this table lives.
Status RemoteHostTable::FieldList(host::HostFields*& fields) {
  Ref<HostFieldsObject> remote;
  PELT_RETURN_IF_FAILED(Checked(table_->FieldList(remote.Put()), table_.get()));
  if (!remote) return Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldList");
  for (const std::unique_ptr<Fields>& known : fields_) {
    if (known->object() == remote.get()) {  // the same pointer: the same object
      fields = known.get();
      return Status::Ok();
    }
  }
  Object* identity = Identity(remote.get());
  for (const std::unique_ptr<Fields>& known : fields_) {
    if (Identity(known->object()) == identity) {
      fields = known.get();
      return Status::Ok();
    }
  }
  fields_.push_back(std::make_unique<Fields>(std::move(remote)));
  fields = fields_.back().get();
  return Status::Ok();
}

const OwnedText* KeptTexts::Get(std::u16string_view units) {
  for (std::size_t n = 0; n < texts_.size(); ++n, ++next_) {
    if (next_ == texts_.size()) next_ = 0;
    if (value::SameUnits(texts_[next_].first, units)) return &texts_[next_++].second;
  }
  OwnedText made(units);
  if (made.get() == nullptr) return nullptr;
  next_ = texts_.size() + 1;
  return &texts_.emplace_back(std::u16string(units), std::move(made)).second;
}

Status RemoteHostTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  const OwnedText* text = names_.Get(name);
  if (text == nullptr) return ToStatus(Result::kOutOfMemory);
  return Checked(table_->IndexOfField(text->get(), &index), table_.get());
}

RemoteHostRow::RemoteHostRow(Ref<HostRowObject> row) : held_(std::move(row)), row_(held_.get()) {}

Status RemoteHostRow::ValueAt(std::int32_t index, value::Variant& out) {
  ScopedVariant v;
  PELT_RETURN_IF_FAILED(Checked(row_->ValueAt(index, &v.get()), row_));
  if (Failed(FromRuntimeVariant(v.get(), out))) {
    return Status::FromCode(value::ErrorCode::kTypeMismatch, u"ValueAt");
  }
  return Status::Ok();
}

RemoteCollection::RemoteCollection(Ref<CollectionObject> items) : items_(std::move(items)) {}

value::ErrorCode RemoteCollection::Code(Result result, value::ErrorCode refusal) const {
  if (Succeeded(result)) return value::ErrorCode::kNone;
  if (result == Result::kInvalidArgument) return refusal;
  // A failure must stay one even when the object reports it as number 0.
  const Status status = FailureStatus(result, items_.get());
  return status.ok() || status.number() == 0 ? value::ErrorCode::kInternalError
                                             : static_cast<value::ErrorCode>(status.number());
}

value::ErrorCode RemoteCollection::ReadItem(Result result, ScopedVariant& read,
                                            value::Variant& item, value::ErrorCode refusal) const {
  if (const value::ErrorCode code = Code(result, refusal); code != value::ErrorCode::kNone) {
    return code;
  }
  if (Failed(FromRuntimeVariant(read.get(), item))) return value::ErrorCode::kTypeMismatch;
  return value::ErrorCode::kNone;
}

value::ErrorCode RemoteCollection::CountItems(std::int32_t& count) const {
  return Code(items_->Count(&count), value::ErrorCode::kInternalError);
}

value::ErrorCode RemoteCollection::ReadItemAt(std::int32_t position, value::Variant& item) const {
  ScopedVariant read;
  return ReadItem(items_->ItemAt(position, &read.get()), read, item,
                  value::ErrorCode::kSubscriptOutOfRange);
}

value::ErrorCode RemoteCollection::ReadItemByKey(std::u16string_view key,
                                                 value::Variant& item) const {
  const OwnedText* text = keys_.Get(key);
  if (text == nullptr) return value::ErrorCode::kOutOfMemory;
  ScopedVariant read;
  return ReadItem(items_->ItemByKey(text->get(), &read.get()), read, item,
                  value::ErrorCode::kInvalidProcedureCall);
}

}  // namespace pelt::runtime
