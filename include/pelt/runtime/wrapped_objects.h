#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pelt/errors/status.h"
#include "pelt/host/host_table.h"
#include "pelt/runtime/host_objects.h"
#include "pelt/value/collection.h"

namespace pelt::runtime {

// Host objects from across the boundary wrapped as the component's C++ host
// interfaces. A failed call becomes the status the object gives through
// LastFailure, so the host's own error text reaches the user unchanged.

// The status of a failed call on object: the object's own account of its
// last failure when it has one, else ToStatus(result).
errors::Status FailureStatus(Result result, HostObject* object);

// Texts the component passes again and again (the field names and reserved
// words of an expression, asked for with every label), each made a boundary
// text once. They come back in the same order every time, so the search
// starts after the last one found. For one thread.
class KeptTexts {
 public:
  // The text of units, or null when memory is short.
  const OwnedText* Get(std::u16string_view units);

 private:
  std::vector<std::pair<std::u16string, OwnedText>> texts_;
  std::size_t next_ = 0;
};

// A HostTable served by a HostTableObject. Every call is passed on, so the
// host sees the calls the component makes; FieldList and FieldAt hand out
// wrappers that this table owns (one per object the host handed out), valid
// while it lives.
class RemoteHostTable final : public host::HostTable {
 public:
  explicit RemoteHostTable(Ref<HostTableObject> table);
  ~RemoteHostTable() override;
  RemoteHostTable(const RemoteHostTable&) = delete;
  RemoteHostTable& operator=(const RemoteHostTable&) = delete;

  errors::Status FieldList(host::HostFields*& fields) override;
  errors::Status IndexOfField(std::u16string_view name, std::int32_t& index) override;

  // The caller's table object this one serves.
  HostTableObject* object() const { return table_.get(); }

 private:
  class Fields;
  Ref<HostTableObject> table_;
  std::vector<std::unique_ptr<Fields>> fields_;
  KeptTexts names_;
};

// A HostRow served by a HostRowObject: held, or only borrowed for one call
// on the component, through which its caller keeps it alive, as it does
// every object it passes in; a row per label then costs no reference.
class RemoteHostRow final : public host::HostRow {
 public:
  explicit RemoteHostRow(Ref<HostRowObject> row);
  static RemoteHostRow Borrowed(HostRowObject* row) { return RemoteHostRow(row); }
  errors::Status ValueAt(std::int32_t index, value::Variant& value) override;

 private:
  explicit RemoteHostRow(HostRowObject* row) : row_(row) {}
  Ref<HostRowObject> held_;
  HostRowObject* row_;
};

// A collection served by a CollectionObject, held by reference and read only
// when asked: a look-up reads one item, nothing is copied. A read the object
// refuses (kInvalidArgument) is the view's own refusal (no such position or
// key); any other failure gives the error number the object reports.
class RemoteCollection final : public value::CollectionView {
 public:
  explicit RemoteCollection(Ref<CollectionObject> items);
  // The caller's collection object this one reads.
  CollectionObject* object() const { return items_.get(); }

  value::ErrorCode CountItems(std::int32_t& count) const override;
  value::ErrorCode ReadItemAt(std::int32_t position, value::Variant& item) const override;
  value::ErrorCode ReadItemByKey(std::u16string_view key, value::Variant& item) const override;

 private:
  value::ErrorCode Code(Result result, value::ErrorCode refusal) const;
  value::ErrorCode ReadItem(Result result, ScopedVariant& read, value::Variant& item,
                            value::ErrorCode refusal) const;

  Ref<CollectionObject> items_;
  mutable KeptTexts keys_;  // the evaluator reads its values on one thread
};

}  // namespace pelt::runtime
