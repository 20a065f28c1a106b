#include "pelt/runtime/served_objects.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pelt/runtime/boundary_guard.h"
#include "pelt/runtime/status_conversion.h"
#include "pelt/runtime/value_conversion.h"
#include "pelt/value/error_code.h"

namespace pelt::runtime {
namespace {

using errors::Status;

// The common part of every served object: the C++ object it serves,
// reference counting, queries along the interface chain, and the record of
// the last failure.
template <class Interface, class Target>
class Served : public Interface {
 public:
  explicit Served(std::shared_ptr<Target> target) : target_(std::move(target)) {}

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
    return GuardMember(Inputs(), Outputs(record), [&] {
      // The call itself succeeds; kFalse tells that nothing has failed yet.
      return Failed(ToResult(last_failure_, record)) ? Result::kOk : Result::kFalse;
    });
  }

 protected:
  virtual ~Served() = default;

  const std::shared_ptr<Target>& target() const { return target_; }

  // kOk for a success; a failure is remembered for LastFailure and answers
  // `failure`.
  Result Check(Status status, Result failure = Result::kFailed) {
    if (status.ok()) return Result::kOk;
    last_failure_ = std::move(status);
    return failure;
  }

 private:
  std::shared_ptr<Target> target_;
  RefCount refs_;
  Status last_failure_;  // ok until a call fails
};

// The served objects made for the C++ objects handed out, by target. A
// table hands out few (its fields list and the fields asked for), and the
// same ones call after call: a short list searched from the last one found.
template <class Interface, class Target>
class ServedObjects {
 public:
  Ref<Interface>* Find(Target* target) {
    for (std::size_t n = 0; n < served_.size(); ++n) {
      if (last_ == served_.size()) last_ = 0;
      if (served_[last_].first == target) return &served_[last_].second;
      ++last_;
    }
    return nullptr;
  }
  Ref<Interface>& Add(Target* target, Ref<Interface> object) {
    last_ = served_.size();
    return served_.emplace_back(target, std::move(object)).second;
  }

 private:
  std::vector<std::pair<Target*, Ref<Interface>>> served_;
  std::size_t last_ = 0;
};

// The one served object of each C++ object handed out (a fields list, a
// field), so that callers see one identity for it. The target belongs to
// owner, which the aliasing pointer keeps alive.
template <class Interface, class Server, class Target, class Owner>
Result ServeOnce(ServedObjects<Interface, Target>& served, const std::shared_ptr<Owner>& owner,
                 Target* target, Interface** out) {
  Ref<Interface>* object = served.Find(target);
  if (object == nullptr) {
    object = &served.Add(
        target, Ref<Interface>::Adopt(new Server(std::shared_ptr<Target>(owner, target))));
  }
  *out = Ref<Interface>(*object).Detach();
  return Result::kOk;
}

class FieldServer final : public Served<HostFieldObject, host::HostField> {
 public:
  using Served::Served;

  Result FieldName(Text* name) override {
    return GuardMember(Inputs(), Outputs(name), [&] {
      std::u16string text;
      PELT_RETURN_IF_FAILED(Check(target()->FieldName(text)));
      return HandOutText(text, *name);
    });
  }

  Result FieldTypeCode(std::int32_t* code) override {
    return GuardMember(Inputs(), Outputs(code), [&] {
      host::FieldType type{};
      PELT_RETURN_IF_FAILED(Check(target()->FieldTypeCode(type)));
      *code = static_cast<std::int32_t>(type);
      return Result::kOk;
    });
  }
};

class FieldsServer final : public Served<HostFieldsObject, host::HostFields> {
 public:
  using Served::Served;

  Result FieldCount(std::int32_t* count) override {
    return GuardMember(Inputs(), Outputs(count),
                       [&] { return Check(target()->FieldCount(*count)); });
  }

  Result FieldAt(std::int32_t index, HostFieldObject** field) override {
    return GuardMember(Inputs(), Outputs(field), [&] {
      host::HostField* found = nullptr;
      PELT_RETURN_IF_FAILED(Check(target()->FieldAt(index, found)));
      if (found == nullptr)
        return Check(Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldAt"));
      return ServeOnce<HostFieldObject, FieldServer>(served_, target(), found, field);
    });
  }

 private:
  ServedObjects<HostFieldObject, host::HostField> served_;
};

class TableServer final : public Served<HostTableObject, host::HostTable> {
 public:
  using Served::Served;

  Result FieldList(HostFieldsObject** fields) override {
    return GuardMember(Inputs(), Outputs(fields), [&] {
      host::HostFields* found = nullptr;
      PELT_RETURN_IF_FAILED(Check(target()->FieldList(found)));
      if (found == nullptr)
        return Check(Status::FromCode(value::ErrorCode::kObjectRequired, u"FieldList"));
      return ServeOnce<HostFieldsObject, FieldsServer>(served_, target(), found, fields);
    });
  }

  Result IndexOfField(const char16_t* name, std::int32_t* index) override {
    return GuardMember(Inputs(), Outputs(index),
                       [&] { return Check(target()->IndexOfField(TextView(name), *index)); });
  }

 private:
  ServedObjects<HostFieldsObject, host::HostFields> served_;
};

class RowServer final : public Served<HostRowObject, host::HostRow> {
 public:
  using Served::Served;

  Result ValueAt(std::int32_t index, Variant* out) override {
    return GuardMember(Inputs(), Outputs(out), [&] {
      // Kept per thread, so that a text read again reuses its storage.
      thread_local value::Variant read;
      PELT_RETURN_IF_FAILED(Check(target()->ValueAt(index, read)));
      return ToRuntimeVariant(read, *out);
    });
  }
};

class CollectionServer final : public Served<CollectionObject, value::Collection> {
 public:
  using Served::Served;

  Result Count(std::int32_t* count) override {
    return GuardMember(Inputs(), Outputs(count), [&] {
      *count = target()->Count();
      return Result::kOk;
    });
  }

  Result ItemAt(std::int32_t position, Variant* item) override {
    return GuardMember(Inputs(), Outputs(item), [&] {
      const value::Variant* found = target()->ItemAt(position);
      if (found == nullptr) return Refuse(value::ErrorCode::kSubscriptOutOfRange);
      return ToRuntimeVariant(*found, *item);
    });
  }

  Result KeyAt(std::int32_t position, Text* key) override {
    return GuardMember(Inputs(), Outputs(key), [&] {
      if (position < 1 || position > target()->Count()) {
        return Refuse(value::ErrorCode::kSubscriptOutOfRange);
      }
      const std::u16string* found = target()->KeyAt(position);
      return found != nullptr ? HandOutText(*found, *key) : Result::kOk;
    });
  }

  Result ItemByKey(const char16_t* key, Variant* item) override {
    return GuardMember(Inputs(), Outputs(item), [&] {
      const value::Variant* found = target()->ItemByKey(TextView(key));
      if (found == nullptr) return Refuse(value::ErrorCode::kInvalidProcedureCall);
      return ToRuntimeVariant(*found, *item);
    });
  }

  Result Add(const Variant* item, const char16_t* key) override {
    return GuardMember(Inputs(item), Outputs(), [&] {
      value::Variant v;
      PELT_RETURN_IF_FAILED(FromRuntimeVariant(*item, v));
      std::optional<std::u16string_view> k;
      if (key != nullptr) k = TextView(key);
      const value::ErrorCode code = target()->Add(std::move(v), k);
      return code == value::ErrorCode::kNone ? Result::kOk : Refuse(code);
    });
  }

 private:
  // A position or key the collection does not have, or a key it has already.
  Result Refuse(value::ErrorCode code) {
    return Check(Status::FromCode(code, u"Collection"), Result::kInvalidArgument);
  }
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

}  // namespace pelt::runtime
