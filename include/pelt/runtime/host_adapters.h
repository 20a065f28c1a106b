#pragma once

#include <memory>
#include <vector>

#include "pelt/errors/status.h"
#include "pelt/host/host_table.h"
#include "pelt/runtime/host_objects.h"
#include "pelt/value/collection.h"
#include "pelt/value/variant.h"

namespace pelt::runtime {

// --- Values ---

// The runtime form of a value (a new Text for strings). kOutOfMemory leaves
// out empty.
Result ToRuntimeVariant(const value::Variant& in, Variant& out);
// The value form of a runtime variant, following one reference. Objects and
// broken references have no value form: kTypeMismatch.
Result FromRuntimeVariant(const Variant& in, value::Variant& out);

// --- The host's objects served across the boundary ---
//
// Each object keeps the C++ object it serves alive through the shared
// pointer. A caller that owns the table otherwise (on the stack, say) passes
// a pointer that does not own it and must keep the table alive until the
// last reference to the served object is gone.

Ref<HostTableObject> ServeHostTable(std::shared_ptr<host::HostTable> table);
Ref<HostRowObject> ServeHostRow(std::shared_ptr<host::HostRow> row);
Ref<CollectionObject> ServeCollection(std::shared_ptr<value::Collection> collection);

// A shared pointer that does not own: for objects whose lifetime the caller
// guarantees.
template <class T>
std::shared_ptr<T> Borrow(T& object) {
  return std::shared_ptr<T>(std::shared_ptr<T>(), &object);
}

// --- Objects from across the boundary as the component's host interfaces ---

// The status of a failed call on object: the object's own description of its
// last failure when it has one, else the result's description under the
// source "PeltExpressions runtime".
errors::Status FailureStatus(Result result, HostObject* object);

// A HostTable served by a HostTableObject. Every call is passed on, so the
// host sees the calls the component makes; FieldList and FieldAt hand out
// adapters that this table owns (one per object the host handed out), valid
// while it lives.
class RemoteHostTable final : public host::HostTable {
 public:
  explicit RemoteHostTable(Ref<HostTableObject> table);
  ~RemoteHostTable() override;
  RemoteHostTable(const RemoteHostTable&) = delete;
  RemoteHostTable& operator=(const RemoteHostTable&) = delete;

  errors::Status FieldList(host::HostFields*& fields) override;
  errors::Status IndexOfField(std::u16string_view name, std::int32_t& index) override;

 private:
  class Fields;
  Ref<HostTableObject> table_;
  std::vector<std::unique_ptr<Fields>> fields_;
};

// A HostRow served by a HostRowObject.
class RemoteHostRow final : public host::HostRow {
 public:
  explicit RemoteHostRow(Ref<HostRowObject> row);
  errors::Status ValueAt(std::int32_t index, value::Variant& value) override;

 private:
  Ref<HostRowObject> row_;
};

// A copy of a collection from across the boundary, items and keys in order.
// On failure out is left alone and the status tells why.
errors::Status CopyCollection(CollectionObject& from, value::Collection& out);

}  // namespace pelt::runtime
