#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelt::format::internal {

// What a section of a picture formats.
enum class SectionKind : std::uint8_t {
  kLiteral,  // no placeholders: shows its literal text only
  kNumber,   // digit placeholders 0 and #
  kDate,     // date and time tokens
  kText,     // character placeholders @ and &
};

enum class CaseForce : std::uint8_t { kNone, kLower, kUpper };

enum class ItemKind : std::uint8_t {
  kLiteral,        // pool text [offset, offset + length)
  kIntegerDigit,   // place: its number among the integer placeholders, from the left
  kDecimalPoint,   // the locale's decimal separator
  kFractionDigit,  // place: 1 = tenths, 2 = hundredths …
  kExponent,       // flag: kExponentPlus when + shows, kExponentLower for e
  kExponentDigit,  // place: its number among the exponent placeholders, from the left
  kDateField,      // field: one of DateField
  kDateSeparator,  // the locale's date separator
  kTimeSeparator,  // the locale's time separator
  kAmPmLiteral,    // "AM/PM" as written: offset/length of the AM half, place = PM offset
  kTextChar,       // flag: 1 for @ (a blank when there is no character), 0 for &
};

enum class DateField : std::uint8_t {
  kGeneralDate,  // c
  kDay,          // d
  kDay2,         // dd
  kDayAbbreviation,
  kDayName,
  kShortDate,   // ddddd
  kLongDate,    // dddddd
  kMediumDate,  // only through the named format "Medium Date"
  kWeekday,     // w, Sunday = 1
  kWeekOfYear,  // ww
  kMonth,
  kMonth2,
  kMonthAbbreviation,
  kMonthName,
  kQuarter,
  kDayOfYear,  // y
  kYear2,
  kYear4,
  kHour,
  kHour2,
  kMinute,
  kMinute2,
  kSecond,
  kSecond2,
  kLongTime,    // ttttt
  kAmPmLocale,  // AMPM
};

inline constexpr std::uint8_t kExponentPlus = 1;
inline constexpr std::uint8_t kExponentLower = 2;

struct Item {
  ItemKind kind = ItemKind::kLiteral;
  std::uint8_t flag = 0;
  DateField field = DateField::kDay;
  std::int32_t place = 0;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

struct Section {
  SectionKind kind = SectionKind::kLiteral;
  CaseForce case_force = CaseForce::kNone;
  bool empty = true;  // nothing at all between its semicolons
  bool has_literal = false;
  std::vector<Item> items;

  // Numbers.
  int integer_places = 0;      // integer digit placeholders
  int min_integer_digits = 0;  // from the leftmost 0 to the units
  int fraction_places = 0;
  int min_fraction_digits = 0;  // up to the rightmost 0 after the point
  int shift = 0;                // powers of ten: +2 per %, -3 per scaling separator
  bool grouping = false;
  bool exponent = false;
  int exponent_places = 0;
  int exponent_min_digits = 1;

  // Dates.
  bool twelve_hour = false;

  // Text.
  int text_places = 0;
  bool left_to_right = false;
};

enum class NamedFormat : std::uint8_t {
  kNone,
  kGeneralNumber,
  kCurrency,
  kYesNo,
  kTrueFalse,
  kOnOff,
};

// A picture parsed once: up to four sections of literal runs and
// placeholders, with all literal text in one pool. Immutable after
// CompilePicture, so one compiled picture serves any number of threads.
struct CompiledPicture {
  std::u16string pool;
  std::vector<Section> sections;  // empty for the empty picture
  NamedFormat named = NamedFormat::kNone;
  bool text_picture = false;  // the first section has @ or &
  bool literal_only = true;   // no section has number or date placeholders
  bool date_picture = false;  // the first section shows a date: text may read as one

  std::u16string_view Text(const Item& item) const {
    return std::u16string_view(pool).substr(item.offset, item.length);
  }
};

// Parses any text as a picture; there is no malformed picture, only
// characters that print as themselves.
CompiledPicture ParsePicture(std::u16string_view picture);

}  // namespace pelt::format::internal
