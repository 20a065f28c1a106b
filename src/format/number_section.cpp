#include "number_section.h"

#include <algorithm>
#include <cstdlib>

namespace pelt::format::internal {

using value::LocaleData;

namespace {

// The number that a section's placeholders show: mantissa × 10^exponent.
struct Shown {
  Decimal mantissa;
  Decimal exponent;  // its magnitude; the sign is exponent_negative
  bool exponent_negative = false;
  // Digits shown: at least as many as the section's zeros ask for.
  int integer_digits = 0;
  int fraction_digits = 0;
  int exponent_digits = 0;
};

Shown ScaleAndRound(Decimal d, const Section& s) {
  d.negative = false;
  d.Shift(s.shift);
  int exponent = 0;
  if (s.exponent && !d.IsZero()) {
    // The mantissa gets as many integer digits as there are integer
    // placeholders.
    exponent = d.point - s.integer_places;
    d.point = s.integer_places;
  }
  RoundDecimal(d, s.fraction_places, RoundingMode::kHalfAwayFromZero);
  if (s.exponent && d.point > s.integer_places) {  // 9.995E+00 rounds to 1.00E+01
    exponent += d.point - s.integer_places;
    d.point = s.integer_places;
  }
  Shown shown;
  shown.mantissa = d;
  shown.exponent = DecimalFromInteger(std::abs(exponent));
  shown.exponent_negative = exponent < 0;
  const int integer_digits = d.IsZero() ? 0 : std::max(d.point, 0);
  const int fraction_digits = d.IsZero() ? 0 : std::max(d.count - d.point, 0);
  shown.integer_digits = std::max(integer_digits, s.min_integer_digits);
  shown.fraction_digits = std::max(fraction_digits, s.min_fraction_digits);
  shown.exponent_digits = std::max(shown.exponent.point, s.exponent_min_digits);
  return shown;
}

bool IsGroupBoundary(int place, const LocaleData& locale) {
  const int primary = locale.grouping_size > 0 ? locale.grouping_size : 3;
  const int secondary =
      locale.secondary_grouping_size > 0 ? locale.secondary_grouping_size : primary;
  return place >= primary && (place - primary) % secondary == 0;
}

// Writes the digits of one placeholder of a run of `placeholders`, counted
// from the left by `index`: the digit of its own place, and for the
// leftmost also every higher digit that has no placeholder of its own.
void AppendPlaceholderDigits(const Decimal& d, int index, int placeholders, int shown,
                             const LocaleData* grouping, std::u16string& out) {
  const int own = placeholders - 1 - index;
  const int from = index == 0 ? shown - 1 : std::min(own, shown - 1);
  for (int place = from; place >= own; --place) {
    out.push_back(static_cast<char16_t>(d.DigitAtPlace(place)));
    if (grouping != nullptr && IsGroupBoundary(place, *grouping)) {
      out += grouping->group_separator;
    }
  }
}

}  // namespace

void AppendNumberSection(const CompiledPicture& picture, const Section& s, Decimal d, bool minus,
                         const LocaleData& locale, std::u16string& out) {
  const Shown shown = ScaleAndRound(d, s);
  // What shows as zero carries no minus.
  if (minus && !shown.mantissa.IsZero()) out.push_back(u'-');
  const LocaleData* grouping = s.grouping ? &locale : nullptr;
  for (const Item& item : s.items) {
    switch (item.kind) {
      case ItemKind::kLiteral: out += picture.Text(item); break;
      case ItemKind::kIntegerDigit:
        AppendPlaceholderDigits(shown.mantissa, item.place, s.integer_places, shown.integer_digits,
                                grouping, out);
        break;
      case ItemKind::kDecimalPoint: out += locale.decimal_separator; break;
      case ItemKind::kFractionDigit:
        if (item.place <= shown.fraction_digits) {
          out.push_back(static_cast<char16_t>(shown.mantissa.DigitAtPlace(-item.place)));
        }
        break;
      case ItemKind::kExponent:
        out.push_back((item.flag & kExponentLower) != 0 ? u'e' : u'E');
        if (shown.exponent_negative) {
          out.push_back(u'-');
        } else if ((item.flag & kExponentPlus) != 0) {
          out.push_back(u'+');
        }
        // Without placeholders the exponent still shows, in as many digits
        // as it needs.
        if (s.exponent_places == 0) {
          AppendPlaceholderDigits(shown.exponent, 0, 1, shown.exponent_digits, nullptr, out);
        }
        break;
      case ItemKind::kExponentDigit:
        AppendPlaceholderDigits(shown.exponent, item.place, s.exponent_places,
                                shown.exponent_digits, nullptr, out);
        break;
      default: break;
    }
  }
}

}  // namespace pelt::format::internal
