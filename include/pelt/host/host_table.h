#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelt/errors/status.h"
#include "pelt/value/variant.h"

namespace pelt::host {

using errors::Status;

// The type code of a field, listed in field_types.def. A host may report
// codes outside this list: they are accepted like 0 to 6.
enum class FieldType : std::int32_t {
#define PELT_FIELD_TYPE(id, code, name, use) id = code,
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
};

// The seven read-only operations the component calls on the host's objects.
// Every operation returns a Status and must not throw; results are written to
// the out parameters only on success. Objects handed out through out pointers
// (FieldList, FieldAt) are owned by the object that hands them out and stay
// valid while it lives.

class HostField {
 public:
  virtual ~HostField() = default;
  virtual Status FieldName(std::u16string& name) = 0;
  virtual Status FieldTypeCode(FieldType& code) = 0;
};

class HostFields {
 public:
  virtual ~HostFields() = default;
  virtual Status FieldCount(std::int32_t& count) = 0;
  // index is 0-based.
  virtual Status FieldAt(std::int32_t index, HostField*& field) = 0;
};

class HostTable {
 public:
  virtual ~HostTable() = default;
  // The fields in the table's own order.
  virtual Status FieldList(HostFields*& fields) = 0;
  // index = -1 when the table has no field of that name; otherwise the index
  // FieldAt and ValueAt accept. How names match (case, blanks) is the table's
  // decision.
  virtual Status IndexOfField(std::u16string_view name, std::int32_t& index) = 0;
};

class HostRow {
 public:
  virtual ~HostRow() = default;
  // index as IndexOfField gave it.
  virtual Status ValueAt(std::int32_t index, value::Variant& value) = 0;
  // The value the row holds itself at index, to be read where it lies
  // until the row changes; nullptr when the row has none to lend (a bad
  // index, values made on request), and ValueAt is asked instead.
  virtual const value::Variant* HeldValueAt([[maybe_unused]] std::int32_t index) { return nullptr; }
};

// "Integer", "Geometry" …: the name shown for a type code (unknown codes "Unknown").
std::u16string_view FieldTypeName(FieldType type);
// Whether a label may show a field of a listed type (field_types.def).
enum class FieldUse : std::uint8_t { kLabelled, kRefused };

// True for the types listed as refused (geometry, blob).
constexpr bool IsRefusedFieldType(FieldType type) {
#define PELT_FIELD_TYPE(id, code, name, use) \
  if (type == FieldType::id) return FieldUse::use == FieldUse::kRefused;
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  return false;
}

// True for the listed types a label may show: what the builder adds.
constexpr bool IsListedLabelledFieldType(FieldType type) {
#define PELT_FIELD_TYPE(id, code, name, use) \
  if (type == FieldType::id) return FieldUse::use == FieldUse::kLabelled;
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  return false;
}

}  // namespace pelt::host
