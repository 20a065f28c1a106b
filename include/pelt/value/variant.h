#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace pelt::value {

// The types listed in var_types.def.
enum class VarType : std::uint8_t {
#define PELT_VAR_TYPE(id, name) id,
#include "pelt/value/var_types.def"
#undef PELT_VAR_TYPE
};

// A fixed-point amount: the value times 10 000, so four decimals are exact.
struct Currency {
  std::int64_t scaled = 0;
  static constexpr std::int64_t kScale = 10'000;
  friend auto operator<=>(const Currency&, const Currency&) = default;
};

// A date as a serial day number: days since 30 December 1899, the fraction
// being the time of day. 0.5 is noon on that day; a value in [0, 1) is a time
// without a date. Negative serials run backwards with a positive time
// fraction (-1.25 is 29 December 1899, 06:00), as the classic serial dates do.
struct Date {
  double serial = 0.0;
  friend auto operator<=>(const Date&, const Date&) = default;
};

struct NullValue {
  friend auto operator<=>(const NullValue&, const NullValue&) = default;
};

// The value of a field, a reserved word or an intermediate formatting result.
class Variant {
 public:
  Variant() = default;  // empty

  static Variant Null() { return Variant(Storage(std::in_place_type<NullValue>)); }
  static Variant FromBoolean(bool v) { return Variant(Storage(std::in_place_type<bool>, v)); }
  static Variant FromInteger(std::int16_t v) {
    return Variant(Storage(std::in_place_type<std::int16_t>, v));
  }
  static Variant FromLong(std::int32_t v) {
    return Variant(Storage(std::in_place_type<std::int32_t>, v));
  }
  static Variant FromDouble(double v) { return Variant(Storage(std::in_place_type<double>, v)); }
  static Variant FromCurrency(Currency v) {
    return Variant(Storage(std::in_place_type<Currency>, v));
  }
  static Variant FromDate(Date v) { return Variant(Storage(std::in_place_type<Date>, v)); }
  static Variant FromText(std::u16string v) {
    return Variant(Storage(std::in_place_type<std::u16string>, std::move(v)));
  }

  VarType type() const { return static_cast<VarType>(data_.index()); }
  bool IsEmpty() const { return type() == VarType::kEmpty; }
  bool IsNull() const { return type() == VarType::kNull; }
  bool IsText() const { return type() == VarType::kString; }
  // Booleans, integers, doubles and currency: the types arithmetic accepts.
  bool IsNumber() const {
    const VarType t = type();
    return t >= VarType::kBoolean && t <= VarType::kCurrency;
  }

  // Typed access; the caller has checked type() first.
  bool AsBoolean() const { return std::get<bool>(data_); }
  std::int16_t AsInteger() const { return std::get<std::int16_t>(data_); }
  std::int32_t AsLong() const { return std::get<std::int32_t>(data_); }
  double AsDouble() const { return std::get<double>(data_); }
  Currency AsCurrency() const { return std::get<Currency>(data_); }
  Date AsDate() const { return std::get<Date>(data_); }
  const std::u16string& AsText() const { return std::get<std::u16string>(data_); }
  std::u16string& MutableText() { return std::get<std::u16string>(data_); }
  // Makes this a text and gives its units to fill: the text it held keeps
  // its storage, so a value read row after row stops allocating once grown.
  std::u16string& TextToFill() {
    if (!IsText()) data_.emplace<std::u16string>();
    return MutableText();
  }

  // Same type and same value; text compares exactly.
  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  // The alternatives are in VarType order, so index() is the type.
  using Storage = std::variant<std::monostate, NullValue, bool, std::int16_t, std::int32_t, double,
                               Currency, Date, std::u16string>;
  explicit Variant(Storage data) : data_(std::move(data)) {}
  Storage data_;
};

// "Empty", "Null", "Boolean", "Integer", "Long", "Double", "Currency", "Date", "String".
std::u16string_view TypeName(VarType type);

}  // namespace pelt::value
