#include "section_choice.h"

#include <cmath>

#include "pelt/value/conversion.h"

namespace pelt::format::internal {

using value::Converted;
using value::Currency;
using value::LocaleData;
using value::ParseNumber;
using value::Variant;
using value::VarType;

namespace {

SectionRole RoleOf(const Subject& subject) {
  if (subject.null) return SectionRole::kNull;
  if (subject.number == nullptr) {
    return subject.text.empty() ? SectionRole::kZero : SectionRole::kPositive;
  }
  const Numeric& n = *subject.number;
  if (n.finite ? n.decimal.negative : n.serial < 0) return SectionRole::kNegative;
  if (n.finite && n.decimal.IsZero()) return SectionRole::kZero;
  return SectionRole::kPositive;
}

// Which section serves a role: by role in number and date pictures, the
// second for empty text and null when the picture shows text.
std::size_t SlotOf(const CompiledPicture& picture, const Subject& subject, SectionRole role) {
  const bool text_layout =
      subject.number == nullptr && (picture.text_picture || picture.literal_only);
  if (!text_layout) return static_cast<std::size_t>(role);
  return role == SectionRole::kZero || role == SectionRole::kNull ? 1 : 0;
}

}  // namespace

std::optional<Numeric> ToNumeric(const Variant& v, const LocaleData& locale) {
  Numeric n;
  const auto from_double = [&n](double d) {
    n.serial = d;
    n.finite = std::isfinite(d);
    if (n.finite) n.decimal = DecimalFromDouble(d);
  };
  const auto from_integer = [&n](std::int64_t i) {
    n.decimal = DecimalFromInteger(i);
    n.serial = static_cast<double>(i);
  };
  switch (v.type()) {
    case VarType::kEmpty: return n;
    case VarType::kNull: return std::nullopt;
    case VarType::kBoolean: from_integer(v.AsBoolean() ? -1 : 0); return n;
    case VarType::kInteger: from_integer(v.AsInteger()); return n;
    case VarType::kLong: from_integer(v.AsLong()); return n;
    case VarType::kCurrency:
      n.decimal = DecimalFromCurrency(v.AsCurrency());
      n.serial = static_cast<double>(v.AsCurrency().scaled) / Currency::kScale;
      return n;
    case VarType::kDouble: from_double(v.AsDouble()); return n;
    case VarType::kDate: from_double(v.AsDate().serial); return n;
    case VarType::kString: {
      const Converted<double> parsed = ParseNumber(v.AsText(), locale);
      if (!parsed.ok()) return std::nullopt;
      from_double(parsed.value);
      return n;
    }
  }
  return std::nullopt;
}

SectionChoice ChooseSection(const CompiledPicture& picture, const Subject& subject) {
  SectionChoice choice;
  choice.role = RoleOf(subject);
  const std::size_t slot = SlotOf(picture, subject, choice.role);
  if (slot < picture.sections.size() && !picture.sections[slot].empty) {
    choice.section = &picture.sections[slot];
  } else if (choice.role != SectionRole::kNull) {
    choice.section = &picture.sections.front();
    choice.stand_in = slot != 0;
  }
  return choice;
}

}  // namespace pelt::format::internal
