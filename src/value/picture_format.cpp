#include "picture_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "date_pattern.h"
#include "icu_number_format.h"
#include "pelt/value/conversion.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/text.h"
#include "rounding.h"

namespace pelt::value::internal {
namespace {

// A value as number and date sections see it.
struct Numeric {
  Decimal decimal;      // exact for integers and currency, 15 digits for doubles
  double serial = 0.0;  // what date sections read
  bool finite = true;
};

// What one section is asked to show.
struct Subject {
  const Variant* value = nullptr;   // for its text form; null for a null value
  const Numeric* number = nullptr;  // null when the value is shown as text
  std::u16string_view text;         // the text when the value is shown as text
  bool minus = false;               // a number section writes a leading minus
};

std::optional<Numeric> ToNumeric(const Variant& v, const LocaleData& locale) {
  Numeric n;
  const auto from_double = [&n](double d) {
    n.serial = d;
    n.finite = std::isfinite(d);
    if (n.finite) n.decimal = DecimalFromDouble(d);
  };
  switch (v.type()) {
    case VarType::kEmpty:
      return n;
    case VarType::kNull:
      return std::nullopt;
    case VarType::kBoolean:
      n.decimal = DecimalFromInteger(v.AsBoolean() ? -1 : 0);
      n.serial = v.AsBoolean() ? -1.0 : 0.0;
      return n;
    case VarType::kInteger:
      n.decimal = DecimalFromInteger(v.AsInteger());
      n.serial = v.AsInteger();
      return n;
    case VarType::kLong:
      n.decimal = DecimalFromInteger(v.AsLong());
      n.serial = v.AsLong();
      return n;
    case VarType::kCurrency:
      n.decimal = DecimalFromCurrency(v.AsCurrency());
      n.serial = static_cast<double>(v.AsCurrency().scaled) / Currency::kScale;
      return n;
    case VarType::kDouble:
      from_double(v.AsDouble());
      return n;
    case VarType::kDate:
      from_double(v.AsDate().serial);
      return n;
    case VarType::kString: {
      const Converted<double> parsed = ParseNumber(v.AsText(), locale);
      if (!parsed.ok()) return std::nullopt;
      from_double(parsed.value);
      return n;
    }
  }
  return std::nullopt;
}

void AppendInt(std::u16string& out, std::int64_t value, int min_digits) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  const auto length = static_cast<int>(result.ptr - buffer);
  if (length < min_digits) out.append(static_cast<std::size_t>(min_digits - length), u'0');
  AppendAscii(out, std::string_view(buffer, static_cast<std::size_t>(length)));
}

bool IsGroupBoundary(int place, const LocaleData& locale) {
  const int primary = locale.grouping_size > 0 ? locale.grouping_size : 3;
  const int secondary = locale.secondary_grouping_size > 0 ? locale.secondary_grouping_size
                                                           : primary;
  return place >= primary && (place - primary) % secondary == 0;
}

void AppendNumberSection(const CompiledPicture& picture, const Section& s, Decimal d, bool minus,
                         const LocaleData& locale, std::u16string& out) {
  d.negative = false;
  d.Shift(s.shift);
  int exponent = 0;
  if (s.exponent && !d.IsZero()) {
    // The mantissa gets as many integer digits as there are integer
    // placeholders.
    exponent = d.point - s.integer_places;
    d.point = s.integer_places;
    RoundDecimal(d, s.fraction_places, RoundingMode::kHalfAwayFromZero);
    if (d.point > s.integer_places) {  // 9.995E+00 rounds to 1.00E+01
      exponent += d.point - s.integer_places;
      d.point = s.integer_places;
    }
  } else {
    RoundDecimal(d, s.fraction_places, RoundingMode::kHalfAwayFromZero);
  }
  // What shows as zero carries no minus.
  if (minus && !d.IsZero()) out.push_back(u'-');

  const int integer_digits = d.IsZero() ? 0 : std::max(d.point, 0);
  const int shown_integer = std::max(integer_digits, s.min_integer_digits);
  const int fraction_digits = d.IsZero() ? 0 : std::max(d.count - d.point, 0);
  const int shown_fraction = std::max(fraction_digits, s.min_fraction_digits);
  char exponent_buffer[16];
  const unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  const auto exponent_end =
      std::to_chars(exponent_buffer, exponent_buffer + sizeof exponent_buffer, magnitude).ptr;
  const int exponent_length = static_cast<int>(exponent_end - exponent_buffer);
  const int shown_exponent = std::max(exponent_length, s.exponent_min_digits);

  for (const Item& item : s.items) {
    switch (item.kind) {
      case ItemKind::kLiteral:
        out += picture.Text(item);
        break;
      case ItemKind::kIntegerDigit: {
        // The leftmost placeholder also takes every digit that has no
        // placeholder of its own.
        const int from = item.place == s.integer_places - 1 ? shown_integer - 1 : item.place;
        for (int place = std::min(from, shown_integer - 1); place >= item.place; --place) {
          out.push_back(static_cast<char16_t>(d.DigitAtPlace(place)));
          if (s.grouping && IsGroupBoundary(place, locale)) out += locale.group_separator;
        }
        break;
      }
      case ItemKind::kDecimalPoint:
        out += locale.decimal_separator;
        break;
      case ItemKind::kFractionDigit:
        if (item.place <= shown_fraction) {
          out.push_back(static_cast<char16_t>(d.DigitAtPlace(-item.place)));
        }
        break;
      case ItemKind::kExponent:
        out.push_back((item.flag & kExponentLower) != 0 ? u'e' : u'E');
        if (exponent < 0) {
          out.push_back(u'-');
        } else if ((item.flag & kExponentPlus) != 0) {
          out.push_back(u'+');
        }
        break;
      case ItemKind::kExponentDigit: {
        const int from = item.place == s.exponent_places - 1 ? shown_exponent - 1 : item.place;
        for (int place = std::min(from, shown_exponent - 1); place >= item.place; --place) {
          out.push_back(place < exponent_length
                            ? static_cast<char16_t>(exponent_buffer[exponent_length - 1 - place])
                            : u'0');
        }
        break;
      }
      default:
        break;
    }
  }
}

// Week of the year with weeks starting on Sunday, week 1 holding 1 January.
int WeekOfYear(const DateParts& p) {
  const int first_weekday = ((p.weekday - 1 - (p.day_of_year - 1)) % 7 + 7) % 7;  // 0 = Sunday
  return (p.day_of_year - 1 + first_weekday) / 7 + 1;
}

void AppendGeneralDate(Date date, const DateParts& p, const LocaleData& locale,
                       std::u16string& out) {
  if (IsTimeOnly(date)) {
    AppendDatePattern(locale.medium_time_pattern, p, locale, out);
    return;
  }
  AppendDatePattern(locale.short_date_pattern, p, locale, out);
  if (!IsMidnight(date)) {
    out.push_back(u' ');
    AppendDatePattern(locale.medium_time_pattern, p, locale, out);
  }
}

void AppendDateField(DateField field, Date date, const DateParts& p, bool twelve_hour,
                     const LocaleData& locale, std::u16string& out) {
  const auto month = static_cast<std::size_t>(p.month - 1);
  const auto weekday = static_cast<std::size_t>(p.weekday - 1);
  const int hour = twelve_hour ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
  switch (field) {
    case DateField::kGeneralDate: AppendGeneralDate(date, p, locale, out); break;
    case DateField::kDay: AppendInt(out, p.day, 1); break;
    case DateField::kDay2: AppendInt(out, p.day, 2); break;
    case DateField::kDayAbbreviation: out += locale.day_abbreviations[weekday]; break;
    case DateField::kDayName: out += locale.day_names[weekday]; break;
    case DateField::kShortDate: AppendDatePattern(locale.short_date_pattern, p, locale, out); break;
    case DateField::kLongDate: AppendDatePattern(locale.full_date_pattern, p, locale, out); break;
    case DateField::kMediumDate:
      AppendDatePattern(locale.medium_date_pattern, p, locale, out);
      break;
    case DateField::kWeekday: AppendInt(out, p.weekday, 1); break;
    case DateField::kWeekOfYear: AppendInt(out, WeekOfYear(p), 1); break;
    case DateField::kMonth: AppendInt(out, p.month, 1); break;
    case DateField::kMonth2: AppendInt(out, p.month, 2); break;
    case DateField::kMonthAbbreviation: out += locale.month_abbreviations[month]; break;
    case DateField::kMonthName: out += locale.month_names[month]; break;
    case DateField::kQuarter: AppendInt(out, (p.month - 1) / 3 + 1, 1); break;
    case DateField::kDayOfYear: AppendInt(out, p.day_of_year, 1); break;
    case DateField::kYear2: AppendInt(out, p.year % 100, 2); break;
    case DateField::kYear4: AppendInt(out, p.year, 1); break;
    case DateField::kHour: AppendInt(out, hour, 1); break;
    case DateField::kHour2: AppendInt(out, hour, 2); break;
    case DateField::kMinute: AppendInt(out, p.minute, 1); break;
    case DateField::kMinute2: AppendInt(out, p.minute, 2); break;
    case DateField::kSecond: AppendInt(out, p.second, 1); break;
    case DateField::kSecond2: AppendInt(out, p.second, 2); break;
    case DateField::kLongTime:
      AppendDatePattern(locale.medium_time_pattern, p, locale, out);
      break;
    case DateField::kAmPmLocale:
      out += p.hour < 12 ? locale.am_designator : locale.pm_designator;
      break;
  }
}

bool AppendDateSection(const CompiledPicture& picture, const Section& s, double serial,
                       const LocaleData& locale, std::u16string& out) {
  const Date date{serial};
  const std::optional<DateParts> parts = SplitDate(date);
  if (!parts) return false;
  for (const Item& item : s.items) {
    switch (item.kind) {
      case ItemKind::kLiteral: out += picture.Text(item); break;
      case ItemKind::kDateSeparator: out += locale.date_separator; break;
      case ItemKind::kTimeSeparator: out += locale.time_separator; break;
      case ItemKind::kDateField:
        AppendDateField(item.field, date, *parts, s.twelve_hour, locale, out);
        break;
      case ItemKind::kAmPmLiteral:
        out += std::u16string_view(picture.pool)
                   .substr(parts->hour < 12 ? item.offset : static_cast<std::size_t>(item.place),
                           item.length);
        break;
      default: break;
    }
  }
  return true;
}

// Placeholders fill from the right unless the section has "!": the
// characters that find no placeholder go before the first one (after the
// last one when filling from the left); a placeholder without a character
// shows a blank for @ and nothing for &.
void AppendTextSection(const CompiledPicture& picture, const Section& s, std::u16string_view text,
                       std::u16string& out) {
  const auto length = static_cast<std::ptrdiff_t>(text.size());
  const auto places = static_cast<std::ptrdiff_t>(s.text_places);
  const std::ptrdiff_t missing = s.left_to_right ? 0 : places - length;
  std::ptrdiff_t placeholder = 0;
  for (const Item& item : s.items) {
    if (item.kind == ItemKind::kLiteral) {
      out += picture.Text(item);
      continue;
    }
    if (item.kind != ItemKind::kTextChar) continue;
    if (placeholder == 0 && missing < 0) out += text.substr(0, static_cast<std::size_t>(-missing));
    const std::ptrdiff_t index = placeholder - missing;
    if (index >= 0 && index < length) {
      out.push_back(text[static_cast<std::size_t>(index)]);
    } else if (item.flag != 0) {
      out.push_back(u' ');
    }
    if (s.left_to_right && placeholder == places - 1 && length > places) {
      out += text.substr(static_cast<std::size_t>(places));
    }
    ++placeholder;
  }
}

void AppendTextForm(const Subject& subject, const LocaleData& locale, std::u16string& out) {
  if (subject.number == nullptr) {
    out += subject.text;
  } else if (subject.value != nullptr) {
    static_cast<void>(AppendText(*subject.value, locale, out));
  }
}

ErrorCode AppendSection(const CompiledPicture& picture, const Section& s, const Subject& subject,
                        const LocaleData& locale, std::u16string& out) {
  const std::size_t start = out.size();
  static const Numeric kZero;
  const Numeric& number = subject.number != nullptr ? *subject.number : kZero;
  switch (s.kind) {
    case SectionKind::kNumber:
      if (!number.finite) {
        AppendTextForm(subject, locale, out);
        return ErrorCode::kNone;
      }
      AppendNumberSection(picture, s, number.decimal, subject.minus, locale, out);
      break;
    case SectionKind::kDate:
      if (!number.finite || !AppendDateSection(picture, s, number.serial, locale, out)) {
        out.resize(start);
        return ErrorCode::kOverflow;
      }
      break;
    case SectionKind::kText:
      if (subject.number == nullptr) {
        AppendTextSection(picture, s, subject.text, out);
      } else {
        std::u16string text;
        AppendTextForm(subject, locale, text);
        AppendTextSection(picture, s, text, out);
      }
      break;
    case SectionKind::kLiteral:
      if (s.has_literal) {
        for (const Item& item : s.items) out += picture.Text(item);
      } else {
        AppendTextForm(subject, locale, out);
      }
      break;
  }
  if (s.case_force != CaseForce::kNone) {
    const std::u16string shown = out.substr(start);
    out.resize(start);
    out += s.case_force == CaseForce::kUpper ? ToUpper(shown, locale.name.c_str())
                                             : ToLower(shown, locale.name.c_str());
  }
  return ErrorCode::kNone;
}

bool Usable(const CompiledPicture& picture, std::size_t index) {
  return picture.sections.size() > index && !picture.sections[index].empty;
}

// Text, null and the empty text through a text picture (or one with
// literals only): the second section serves the empty text and null.
ErrorCode AppendAsText(const CompiledPicture& picture, std::u16string_view text, bool null,
                       const LocaleData& locale, std::u16string& out, bool& is_null) {
  std::size_t index = 0;
  if (text.empty() || null) {
    if (Usable(picture, 1)) {
      index = 1;
    } else if (null) {
      is_null = true;
      return ErrorCode::kNone;
    }
  }
  Subject subject;
  subject.text = text;
  return AppendSection(picture, picture.sections[index], subject, locale, out);
}

void AppendNamed(NamedFormat named, const Variant& value, const Numeric& number,
                 const LocaleData& locale, std::u16string& out) {
  static constexpr std::u16string_view kWords[][2] = {
      {u"Yes", u"No"}, {u"True", u"False"}, {u"On", u"Off"}};
  switch (named) {
    case NamedFormat::kGeneralNumber:
      switch (value.type()) {
        case VarType::kInteger:
        case VarType::kLong:
        case VarType::kCurrency:
        case VarType::kDouble:
          static_cast<void>(AppendText(value, locale, out));
          break;
        default:
          if (number.finite) {
            AppendDouble(DecimalToDouble(number.decimal), locale, out);
          } else {
            AppendDouble(number.serial, locale, out);
          }
          break;
      }
      break;
    case NamedFormat::kCurrency:
      if (!number.finite) {
        AppendDouble(number.serial, locale, out);
        break;
      }
      AppendCurrencyText(number.decimal, locale, out);
      break;
    case NamedFormat::kYesNo:
    case NamedFormat::kTrueFalse:
    case NamedFormat::kOnOff: {
      const auto row = static_cast<std::size_t>(named) - static_cast<std::size_t>(NamedFormat::kYesNo);
      const bool zero = number.finite ? number.decimal.IsZero() : false;
      out += kWords[row][zero ? 1 : 0];
      break;
    }
    case NamedFormat::kNone:
      break;
  }
}

}  // namespace

ErrorCode AppendFormatted(const Variant& value, const CompiledPicture& picture,
                          const LocaleData& locale, std::u16string& out, bool& is_null) {
  is_null = false;
  if (picture.named == NamedFormat::kNone && picture.sections.empty()) {
    // The empty picture: the value's text form.
    if (value.IsNull()) {
      is_null = true;
      return ErrorCode::kNone;
    }
    return AppendText(value, locale, out);
  }
  if (picture.text_picture) {
    if (value.IsNull()) return AppendAsText(picture, {}, /*null=*/true, locale, out, is_null);
    std::u16string text;
    static_cast<void>(AppendText(value, locale, text));
    return AppendAsText(picture, text, /*null=*/false, locale, out, is_null);
  }

  const std::optional<Numeric> number = ToNumeric(value, locale);
  if (value.IsNull()) {
    if (picture.named != NamedFormat::kNone || picture.literal_only || !Usable(picture, 3)) {
      if (picture.named == NamedFormat::kNone && picture.literal_only) {
        return AppendAsText(picture, {}, /*null=*/true, locale, out, is_null);
      }
      is_null = true;
      return ErrorCode::kNone;
    }
    return AppendSection(picture, picture.sections[3], Subject{}, locale, out);
  }
  const bool literal_only = picture.named == NamedFormat::kNone && picture.literal_only;
  if (value.IsText() && (!number || literal_only)) {
    // Text that is not a number comes back as it is from number and date
    // pictures; pictures of literals alone treat any text as text.
    if (literal_only) {
      return AppendAsText(picture, value.AsText(), /*null=*/false, locale, out, is_null);
    }
    out += value.AsText();
    return ErrorCode::kNone;
  }
  if (picture.named != NamedFormat::kNone) {
    AppendNamed(picture.named, value, *number, locale, out);
    return ErrorCode::kNone;
  }

  // The section goes by the sign of the value as it is, before rounding.
  Subject subject;
  subject.value = &value;
  subject.number = &*number;
  std::size_t index = 0;
  const bool negative = number->finite ? number->decimal.negative : number->serial < 0;
  const bool zero = number->finite && number->decimal.IsZero();
  if (negative) {
    if (Usable(picture, 1)) {
      index = 1;
    } else {
      subject.minus = true;
    }
  } else if (zero && Usable(picture, 2)) {
    index = 2;
  }
  return AppendSection(picture, picture.sections[index], subject, locale, out);
}

}  // namespace pelt::value::internal
