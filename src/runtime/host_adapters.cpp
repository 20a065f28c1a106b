#include "pelt/runtime/host_adapters.h"

#include <map>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "pelt/runtime/server_support.h"
#include "pelt/value/error_code.h"
#include "pelt/value/text.h"

namespace pelt::runtime {

using errors::Status;

// --- Values ---

Result ToRuntimeVariant(const value::Variant& in, Variant& out) {
  VariantClear(out);
  switch (in.type()) {
    case value::VarType::kEmpty:
      return Result::kOk;
    case value::VarType::kNull:
      out.type = VariantType::kNull;
      return Result::kOk;
    case value::VarType::kBoolean:
      out = MakeBooleanVariant(in.AsBoolean());
      return Result::kOk;
    case value::VarType::kInteger:
      out.type = VariantType::kInteger;
      out.integer = in.AsInteger();
      return Result::kOk;
    case value::VarType::kLong:
      out = MakeLongVariant(in.AsLong());
      return Result::kOk;
    case value::VarType::kDouble:
      out.type = VariantType::kDouble;
      out.double_value = in.AsDouble();
      return Result::kOk;
    case value::VarType::kCurrency:
      out.type = VariantType::kCurrency;
      out.currency = in.AsCurrency().scaled;
      return Result::kOk;
    case value::VarType::kDate:
      out.type = VariantType::kDate;
      out.date = in.AsDate().serial;
      return Result::kOk;
    case value::VarType::kString:
      out = MakeTextVariant(in.AsText());
      return out.type == VariantType::kText ? Result::kOk : Result::kOutOfMemory;
  }
  return Result::kTypeMismatch;
}

Result FromRuntimeVariant(const Variant& in, value::Variant& out) {
  const Variant* v = VariantTarget(in);
  if (v == nullptr) return Result::kTypeMismatch;
  switch (v->type) {
    case VariantType::kEmpty:
      out = value::Variant();
      return Result::kOk;
    case VariantType::kNull:
      out = value::Variant::Null();
      return Result::kOk;
    case VariantType::kBoolean:
      out = value::Variant::FromBoolean(v->boolean != kFalse);
      return Result::kOk;
    case VariantType::kInteger:
      out = value::Variant::FromInteger(v->integer);
      return Result::kOk;
    case VariantType::kLong:
      out = value::Variant::FromLong(v->long_value);
      return Result::kOk;
    case VariantType::kDouble:
      out = value::Variant::FromDouble(v->double_value);
      return Result::kOk;
    case VariantType::kCurrency:
      out = value::Variant::FromCurrency(value::Currency{v->currency});
      return Result::kOk;
    case VariantType::kDate:
      out = value::Variant::FromDate(value::Date{v->date});
      return Result::kOk;
    case VariantType::kText:
      out = value::Variant::FromText(std::u16string(TextView(v->text)));
      return Result::kOk;
    case VariantType::kObject:
    case VariantType::kReference:
      break;
  }
  return Result::kTypeMismatch;
}

namespace {

constexpr std::u16string_view kRuntimeSource = u"PeltExpressions runtime";

// The common part of every served host object: reference counting, queries
// along the interface chain, and the record of the last failure.
template <class Interface>
class Served : public Interface {
 public:
  Result Query(const InterfaceId& id, void** out) override {
    return QueryChain<Object, HostObject, Interface>(this, id, out);
  }
  std::uint32_t Retain() override { return refs_.Increment(); }
  std::uint32_t Release() override {
    const std::uint32_t left = refs_.Decrement();
    if (left == 0) delete this;
    return left;
  }
  Result LastFailure(ExceptionRecord* record) override {
    if (record == nullptr) return Result::kInvalidPointer;
    if (!last_failure_) return Result::kFalse;
    return GuardBoundary([&] {
      FillExceptionRecord(record, last_failure_->number(), last_failure_->source(),
                          last_failure_->description());
      return Result::kOk;
    });
  }

 protected:
  virtual ~Served() = default;

  // Remembers a failing status for LastFailure and gives the Result for it.
  Result Fail(Status status) {
    last_failure_ = std::move(status);
    return Result::kFailed;
  }
  Result Check(Status status) { return status.ok() ? Result::kOk : Fail(std::move(status)); }

 private:
  RefCount refs_;
  std::optional<Status> last_failure_;
};

class FieldServer final : public Served<HostFieldObject> {
 public:
  explicit FieldServer(std::shared_ptr<host::HostField> field) : field_(std::move(field)) {}

  Result FieldName(Text* name) override {
    if (name == nullptr) return Result::kInvalidPointer;
    *name = nullptr;
    return GuardBoundary([&] {
      std::u16string text;
      if (Result r = Check(field_->FieldName(text)); Failed(r)) return r;
      *name = TextAllocate(text);
      return *name != nullptr ? Result::kOk : Result::kOutOfMemory;
    });
  }

  Result FieldTypeCode(std::int32_t* code) override {
    if (code == nullptr) return Result::kInvalidPointer;
    return GuardBoundary([&] {
      host::FieldType type{};
      if (Result r = Check(field_->FieldTypeCode(type)); Failed(r)) return r;
      *code = static_cast<std::int32_t>(type);
      return Result::kOk;
    });
  }

 private:
  std::shared_ptr<host::HostField> field_;
};

class FieldsServer final : public Served<HostFieldsObject> {
 public:
  explicit FieldsServer(std::shared_ptr<host::HostFields> fields) : fields_(std::move(fields)) {}

  Result FieldCount(std::int32_t* count) override {
    if (count == nullptr) return Result::kInvalidPointer;
    return GuardBoundary([&] { return Check(fields_->FieldCount(*count)); });
  }

  Result FieldAt(std::int32_t index, HostFieldObject** field) override {
    if (field == nullptr) return Result::kInvalidPointer;
    *field = nullptr;
    return GuardBoundary([&] {
      host::HostField* found = nullptr;
      if (Result r = Check(fields_->FieldAt(index, found)); Failed(r)) return r;
      if (found == nullptr) return Fail(Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldAt"));
      // One served object per host field, so callers see one identity. The
      // field belongs to the fields object, which the aliasing pointer keeps
      // alive.
      Ref<HostFieldObject>& served = served_[found];
      if (!served) {
        served = Ref<HostFieldObject>::Adopt(
            new FieldServer(std::shared_ptr<host::HostField>(fields_, found)));
      }
      *field = Ref<HostFieldObject>(served).Detach();
      return Result::kOk;
    });
  }

 private:
  std::shared_ptr<host::HostFields> fields_;
  std::map<host::HostField*, Ref<HostFieldObject>> served_;
};

class TableServer final : public Served<HostTableObject> {
 public:
  explicit TableServer(std::shared_ptr<host::HostTable> table) : table_(std::move(table)) {}

  Result FieldList(HostFieldsObject** fields) override {
    if (fields == nullptr) return Result::kInvalidPointer;
    *fields = nullptr;
    return GuardBoundary([&] {
      host::HostFields* found = nullptr;
      if (Result r = Check(table_->FieldList(found)); Failed(r)) return r;
      if (found == nullptr) return Fail(Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldList"));
      Ref<HostFieldsObject>& served = served_[found];
      if (!served) {
        served = Ref<HostFieldsObject>::Adopt(
            new FieldsServer(std::shared_ptr<host::HostFields>(table_, found)));
      }
      *fields = Ref<HostFieldsObject>(served).Detach();
      return Result::kOk;
    });
  }

  Result IndexOfField(const char16_t* name, std::int32_t* index) override {
    if (index == nullptr) return Result::kInvalidPointer;
    return GuardBoundary([&] { return Check(table_->IndexOfField(TextView(name), *index)); });
  }

 private:
  std::shared_ptr<host::HostTable> table_;
  std::map<host::HostFields*, Ref<HostFieldsObject>> served_;
};

class RowServer final : public Served<HostRowObject> {
 public:
  explicit RowServer(std::shared_ptr<host::HostRow> row) : row_(std::move(row)) {}

  Result ValueAt(std::int32_t index, Variant* out) override {
    if (out == nullptr) return Result::kInvalidPointer;
    return GuardBoundary([&] {
      value::Variant v;
      if (Result r = Check(row_->ValueAt(index, v)); Failed(r)) return r;
      return ToRuntimeVariant(v, *out);
    });
  }

 private:
  std::shared_ptr<host::HostRow> row_;
};

class CollectionServer final : public Served<CollectionObject> {
 public:
  explicit CollectionServer(std::shared_ptr<value::Collection> items) : items_(std::move(items)) {}

  Result Count(std::int32_t* count) override {
    if (count == nullptr) return Result::kInvalidPointer;
    *count = items_->Count();
    return Result::kOk;
  }

  Result ItemAt(std::int32_t position, Variant* item) override {
    if (item == nullptr) return Result::kInvalidPointer;
    const value::Variant* found = items_->ItemAt(position);
    if (found == nullptr) return Missing(value::ErrorCode::kSubscriptOutOfRange);
    return GuardBoundary([&] { return ToRuntimeVariant(*found, *item); });
  }

  Result KeyAt(std::int32_t position, Text* key) override {
    if (key == nullptr) return Result::kInvalidPointer;
    *key = nullptr;
    if (position < 1 || position > items_->Count()) {
      return Missing(value::ErrorCode::kSubscriptOutOfRange);
    }
    const std::u16string* found = items_->KeyAt(position);
    if (found == nullptr) return Result::kOk;
    *key = TextAllocate(*found);
    return *key != nullptr ? Result::kOk : Result::kOutOfMemory;
  }

  Result ItemByKey(const char16_t* key, Variant* item) override {
    if (item == nullptr) return Result::kInvalidPointer;
    return GuardBoundary([&] {
      const value::Variant* found = items_->ItemByKey(TextView(key));
      if (found == nullptr) return Missing(value::ErrorCode::kInvalidProcedureCall);
      return ToRuntimeVariant(*found, *item);
    });
  }

  Result Add(const Variant* item, const char16_t* key) override {
    if (item == nullptr) return Result::kInvalidPointer;
    return GuardBoundary([&] {
      value::Variant v;
      if (Result r = FromRuntimeVariant(*item, v); Failed(r)) return r;
      std::optional<std::u16string_view> k;
      if (key != nullptr) k = TextView(key);
      const value::ErrorCode code = items_->Add(std::move(v), k);
      if (code != value::ErrorCode::kNone) return Missing(code);
      return Result::kOk;
    });
  }

 private:
  Result Missing(value::ErrorCode code) {
    Fail(Status::FromCode(code, u"Collection"));
    return Result::kInvalidArgument;
  }

  std::shared_ptr<value::Collection> items_;
};

template <class Interface, class Server, class Target>
Ref<Interface> Serve(std::shared_ptr<Target> target) {
  if (!target) return nullptr;
  return Ref<Interface>::Adopt(new Server(std::move(target)));
}

}  // namespace

Ref<HostTableObject> ServeHostTable(std::shared_ptr<host::HostTable> table) {
  return Serve<HostTableObject, TableServer>(std::move(table));
}
Ref<HostRowObject> ServeHostRow(std::shared_ptr<host::HostRow> row) {
  return Serve<HostRowObject, RowServer>(std::move(row));
}
Ref<CollectionObject> ServeCollection(std::shared_ptr<value::Collection> collection) {
  return Serve<CollectionObject, CollectionServer>(std::move(collection));
}

// --- Objects from across the boundary ---

Status FailureStatus(Result result, HostObject* object) {
  if (object != nullptr) {
    ScopedExceptionRecord record;
    if (object->LastFailure(record.get()) == Result::kOk && record->number != 0) {
      return Status(record->number, std::u16string(TextView(record->source)),
                    std::u16string(TextView(record->description)));
    }
  }
  if (result == Result::kOutOfMemory) {
    return Status::FromCode(value::ErrorCode::kOutOfMemory, std::u16string(kRuntimeSource));
  }
  return Status(static_cast<std::int32_t>(result), std::u16string(kRuntimeSource),
                value::FromUtf8(ResultDescription(result)));
}

namespace {

class RemoteField final : public host::HostField {
 public:
  explicit RemoteField(Ref<HostFieldObject> field) : field_(std::move(field)) {}

  Status FieldName(std::u16string& name) override {
    OwnedText text;
    if (Result r = field_->FieldName(text.Put()); Failed(r)) return FailureStatus(r, field_.get());
    name.assign(text.view());
    return Status::Ok();
  }

  Status FieldTypeCode(host::FieldType& code) override {
    std::int32_t raw = 0;
    if (Result r = field_->FieldTypeCode(&raw); Failed(r)) return FailureStatus(r, field_.get());
    code = static_cast<host::FieldType>(raw);
    return Status::Ok();
  }

 private:
  Ref<HostFieldObject> field_;
};

}  // namespace

namespace {

// The identity of an object: its Object interface pointer, which is the same
// whichever interface it is reached through.
Object* Identity(Object* object) {
  Ref<Object> canonical;
  if (Failed(object->Query(Object::kId, canonical.PutVoid())) || !canonical) return object;
  return canonical.get();  // the object stays alive through the caller's reference
}

}  // namespace

class RemoteHostTable::Fields final : public host::HostFields {
 public:
  explicit Fields(Ref<HostFieldsObject> fields) : fields_(std::move(fields)) {}
  HostFieldsObject* object() const { return fields_.get(); }

  Status FieldCount(std::int32_t& count) override {
    if (Result r = fields_->FieldCount(&count); Failed(r)) return FailureStatus(r, fields_.get());
    return Status::Ok();
  }

  // Every call reaches the host; the adapter handed out is the one already
  // made for the same field object, or a new one kept as long as this one.
  Status FieldAt(std::int32_t index, host::HostField*& field) override {
    Ref<HostFieldObject> remote;
    if (Result r = fields_->FieldAt(index, remote.Put()); Failed(r)) {
      return FailureStatus(r, fields_.get());
    }
    if (!remote) return Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldAt");
    Object* identity = Identity(remote.get());
    auto found = fields_by_identity_.find(identity);
    if (found == fields_by_identity_.end()) {
      found = fields_by_identity_.emplace(identity, std::make_unique<RemoteField>(std::move(remote))).first;
    }
    field = found->second.get();
    return Status::Ok();
  }

 private:
  Ref<HostFieldsObject> fields_;
  std::map<Object*, std::unique_ptr<RemoteField>> fields_by_identity_;
};

RemoteHostTable::RemoteHostTable(Ref<HostTableObject> table) : table_(std::move(table)) {}
RemoteHostTable::~RemoteHostTable() = default;

// Every call reaches the host, as the evaluator's own calls would; adapters
// are reused for the same fields object and kept while this table lives.
Status RemoteHostTable::FieldList(host::HostFields*& fields) {
  Ref<HostFieldsObject> remote;
  if (Result r = table_->FieldList(remote.Put()); Failed(r)) return FailureStatus(r, table_.get());
  if (!remote) return Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldList");
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

Status RemoteHostTable::IndexOfField(std::u16string_view name, std::int32_t& index) {
  OwnedText text(name);
  if (text.get() == nullptr) {
    return Status::FromCode(value::ErrorCode::kOutOfMemory, std::u16string(kRuntimeSource));
  }
  if (Result r = table_->IndexOfField(text.get(), &index); Failed(r)) {
    return FailureStatus(r, table_.get());
  }
  return Status::Ok();
}

RemoteHostRow::RemoteHostRow(Ref<HostRowObject> row) : row_(std::move(row)) {}

Status RemoteHostRow::ValueAt(std::int32_t index, value::Variant& out) {
  ScopedVariant v;
  if (Result r = row_->ValueAt(index, &v.get()); Failed(r)) return FailureStatus(r, row_.get());
  if (Failed(FromRuntimeVariant(v.get(), out))) {
    return Status::FromCode(value::ErrorCode::kTypeMismatch, u"ValueAt");
  }
  return Status::Ok();
}

Status CopyCollection(CollectionObject& from, value::Collection& out) {
  std::int32_t count = 0;
  if (Result r = from.Count(&count); Failed(r)) return FailureStatus(r, &from);
  value::Collection copy;
  for (std::int32_t position = 1; position <= count; ++position) {
    ScopedVariant item;
    if (Result r = from.ItemAt(position, &item.get()); Failed(r)) return FailureStatus(r, &from);
    OwnedText key;
    if (Result r = from.KeyAt(position, key.Put()); Failed(r)) return FailureStatus(r, &from);
    value::Variant v;
    if (Failed(FromRuntimeVariant(item.get(), v))) {
      return Status::FromCode(value::ErrorCode::kTypeMismatch, u"Collection");
    }
    std::optional<std::u16string_view> k;
    if (key.get() != nullptr) k = key.view();
    if (const value::ErrorCode code = copy.Add(std::move(v), k); code != value::ErrorCode::kNone) {
      return Status::FromCode(code, u"Collection");
    }
  }
  out = std::move(copy);
  return Status::Ok();
}

}  // namespace pelt::runtime
