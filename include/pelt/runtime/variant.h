#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelt/runtime/object.h"
#include "pelt/runtime/result.h"
#include "pelt/runtime/text.h"

namespace pelt::runtime {

// 16-bit Booleans: true is -1 (all bits set), false is 0. Readers take any
// non-zero value as true.
using Boolean = std::int16_t;
inline constexpr Boolean kTrue = -1;
inline constexpr Boolean kFalse = 0;

// What a Variant holds.
enum class VariantType : std::uint16_t {
  kEmpty = 0,       // nothing assigned; also an omitted argument
  kNull = 1,        // no valid data (a null field)
  kBoolean = 2,     // boolean
  kInteger = 3,     // integer: 16 bits
  kLong = 4,        // long_value: 32 bits
  kDouble = 5,      // double_value
  kCurrency = 6,    // currency: the amount times 10 000
  kDate = 7,        // date: days since 30 December 1899, the fraction the time
  kText = 8,        // text: a Text the variant owns
  kObject = 9,      // object: an interface with one reference the variant owns
  kReference = 10,  // reference: the caller's own variant, not owned
};

// A value that crosses the boundary: a type tag and a payload. A variant
// owns its Text and its object reference; VariantClear frees them. Arguments
// may be passed by reference: a kReference variant points at the caller's
// variant, which the callee reads (and may write) in place. One level only:
// a reference never points at another reference.
struct Variant {
  VariantType type = VariantType::kEmpty;
  std::uint16_t reserved[3] = {};
  union {
    std::int64_t payload = 0;  // zero-fills the union
    Boolean boolean;
    std::int16_t integer;
    std::int32_t long_value;
    double double_value;
    std::int64_t currency;
    double date;
    Text text;
    Object* object;
    Variant* reference;
  };
};

// The layout is part of the boundary: a 16-bit tag, padding, 8 bytes of payload.
static_assert(sizeof(Variant) == 16 && alignof(Variant) == 8);

// Frees what the variant owns and leaves it empty.
void VariantClear(Variant& v);
// dst = a deep copy of src (a new Text, one more object reference); dst is
// cleared first. A kReference source is copied as what it points at.
// kOutOfMemory leaves dst empty.
Result VariantCopy(Variant& dst, const Variant& src);
// What a by-reference argument points at, or the variant itself. nullptr for
// a reference that is null or points at another reference.
const Variant* VariantTarget(const Variant& v);

// Makers of variants; the variant owns what it is given.
Variant MakeBooleanVariant(bool value);
Variant MakeLongVariant(std::int32_t value);
Variant MakeTextVariant(std::u16string_view text);  // kEmpty when memory is short
// Adds a reference of its own to object (a null object is allowed).
Variant MakeObjectVariant(Object* object);
Variant MakeReferenceVariant(Variant& target);

// "Empty", "Null", "Boolean", "Integer", "Long", "Double", "Currency", "Date",
// "Text", "Object", "Reference", or "Unknown".
std::string_view VariantTypeName(VariantType type);

// A variant that clears itself when it goes away.
class ScopedVariant {
 public:
  ScopedVariant() = default;
  explicit ScopedVariant(Variant v) : v_(v) {}
  ~ScopedVariant() { VariantClear(v_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  Variant& get() { return v_; }
  const Variant& get() const { return v_; }
  Variant* operator->() { return &v_; }
  const Variant* operator->() const { return &v_; }

 private:
  Variant v_;
};

// What a member that failed tells its caller besides the Result: an error
// number, the source that raised it and a description (both Texts owned by
// the record), and the 1-based position of the argument at fault (0 when no
// single argument is to blame).
struct ExceptionRecord {
  std::int32_t number = 0;
  Text source = nullptr;
  Text description = nullptr;
  std::uint32_t argument = 0;
};

// Frees the texts and zeroes the record.
void ExceptionRecordClear(ExceptionRecord& record);
// Fills a record (which may be null: nothing happens then); any old content
// is freed first.
void FillExceptionRecord(ExceptionRecord* record, std::int32_t number, std::u16string_view source,
                         std::u16string_view description, std::uint32_t argument = 0);

// A record that clears itself when it goes away.
class ScopedExceptionRecord {
 public:
  ScopedExceptionRecord() = default;
  ~ScopedExceptionRecord() { ExceptionRecordClear(record_); }
  ScopedExceptionRecord(const ScopedExceptionRecord&) = delete;
  ScopedExceptionRecord& operator=(const ScopedExceptionRecord&) = delete;

  ExceptionRecord* get() { return &record_; }
  const ExceptionRecord& operator*() const { return record_; }
  const ExceptionRecord* operator->() const { return &record_; }

 private:
  ExceptionRecord record_;
};

}  // namespace pelt::runtime
