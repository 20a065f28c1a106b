#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "pelt/value/locale.h"
#include "pelt/value/variant.h"
#include "picture.h"
#include "rounding.h"

namespace pelt::format::internal {

// A value as number and date sections see it.
struct Numeric {
  Decimal decimal;      // exact for integers and currency, 15 digits for doubles
  double serial = 0.0;  // what date sections read
  bool finite = true;
};

// The number a value stands for; nullopt for null and for text that does
// not read as a number in the locale.
std::optional<Numeric> ToNumeric(const value::Variant& v, const value::LocaleData& locale);

// What a picture is asked to show: a number, text, or null.
struct Subject {
  const value::Variant* value = nullptr;  // for its text form; null when shown as text
  const Numeric* number = nullptr;        // null when the value is shown as text or is null
  std::u16string_view text;               // the text when the value is shown as text
  bool null = false;
};

// The part a value plays in a picture of up to four sections. Number and date
// pictures keep one section per role, in this order; text pictures (and
// literal pictures showing text) have the text in the first section and the
// empty text (the zero role) and null in the second.
enum class SectionRole : std::uint8_t { kPositive, kNegative, kZero, kNull };

struct SectionChoice {
  SectionRole role = SectionRole::kPositive;
  const Section* section = nullptr;  // nullptr: the result is null
  bool stand_in = false;  // the first section serves a role that has no section of its own

  // A negative value shown by the first section carries its own minus.
  bool WritesMinus() const { return role == SectionRole::kNegative && stand_in; }
};

// The section that shows the subject. The role goes by the value as it is,
// before any rounding; an empty or missing section leaves its role to the
// first section, except null, which then stays null.
SectionChoice ChooseSection(const CompiledPicture& picture, const Subject& subject);

}  // namespace pelt::format::internal
