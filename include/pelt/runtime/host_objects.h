#pragma once

#include <cstdint>

#include "pelt/runtime/object.h"
#include "pelt/runtime/variant.h"

namespace pelt::runtime {

// The host's tables, fields, rows and collections as they cross the
// boundary. They offer the read-only operations the component calls, each
// returning a Result; an object whose call failed can describe that failure
// (number, source, description) through LastFailure, so the host's own error
// text reaches the user unchanged.

class HostObject : public Object {
 public:
  static constexpr InterfaceId kId = UuidLiteral("29e9a6f3-0ea8-4fce-9740-58d23167447f");
  // The last failure of a call on this object: kOk with the record filled,
  // or kFalse (record untouched) when no call has failed.
  virtual Result LastFailure(ExceptionRecord* record) = 0;

 protected:
  ~HostObject() = default;
};

// One field description.
class HostFieldObject : public HostObject {
 public:
  static constexpr InterfaceId kId = UuidLiteral("246eb3ef-b18c-40e1-b464-230dec9a9f20");
  virtual Result FieldName(Text* name) = 0;
  // 7 is geometry and 8 binary; the others are ordinary attribute types.
  virtual Result FieldTypeCode(std::int32_t* code) = 0;

 protected:
  ~HostFieldObject() = default;
};

// The ordered fields of a table.
class HostFieldsObject : public HostObject {
 public:
  static constexpr InterfaceId kId = UuidLiteral("deba9471-0273-4079-a806-669ea152a282");
  virtual Result FieldCount(std::int32_t* count) = 0;
  // index is 0-based.
  virtual Result FieldAt(std::int32_t index, HostFieldObject** field) = 0;

 protected:
  ~HostFieldsObject() = default;
};

// An attribute table.
class HostTableObject : public HostObject {
 public:
  static constexpr InterfaceId kId = UuidLiteral("855804f8-b7bc-4fd4-91e5-1c72af7f248f");
  virtual Result FieldList(HostFieldsObject** fields) = 0;
  // -1 when the table has no field of that name.
  virtual Result IndexOfField(const char16_t* name, std::int32_t* index) = 0;

 protected:
  ~HostTableObject() = default;
};

// One record of a table.
class HostRowObject : public HostObject {
 public:
  static constexpr InterfaceId kId = UuidLiteral("b71b821d-d172-4b13-adc7-18f59ed6d4b8");
  // The value of the field at index (as IndexOfField gave it); value must be
  // a valid variant, which is cleared first.
  virtual Result ValueAt(std::int32_t index, Variant* value) = 0;

 protected:
  ~HostRowObject() = default;
};

// The general-purpose collection: ordered, 1-based, items optionally stored
// under keys that match without regard to case.
class CollectionObject : public HostObject {
 public:
  static constexpr InterfaceId kId = UuidLiteral("762b1550-7eb8-40a5-b7d1-cef5f2c8b883");
  virtual Result Count(std::int32_t* count) = 0;
  // kInvalidArgument outside 1..Count.
  virtual Result ItemAt(std::int32_t position, Variant* item) = 0;
  // The key the item at position was stored under; a null Text when it has
  // none.
  virtual Result KeyAt(std::int32_t position, Text* key) = 0;
  // kInvalidArgument when no item has that key.
  virtual Result ItemByKey(const char16_t* key, Variant* item) = 0;
  // Appends a copy of item, under key unless key is null. kInvalidArgument
  // when the key is taken.
  virtual Result Add(const Variant* item, const char16_t* key) = 0;

 protected:
  ~CollectionObject() = default;
};

}  // namespace pelt::runtime
