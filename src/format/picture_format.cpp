#include "picture_format.h"

#include <optional>

#include "date_section.h"
#include "date_text.h"
#include "icu_number_format.h"
#include "number_section.h"
#include "pelt/value/conversion.h"
#include "pelt/value/text.h"
#include "section_choice.h"
#include "unread_date_texts.h"

namespace pelt::format::internal {

using value::AppendDouble;
using value::AppendText;
using value::Date;
using value::LocaleData;
using value::ToLower;
using value::ToUpper;
using value::Variant;
using value::VarType;

namespace {

// Placeholders fill from the right unless the section has "!"; a
// placeholder without a character shows a blank for @ and nothing for &.
// Characters that find no placeholder follow the section's output, or
// with "!" the last placeholder.
void AppendTextSection(const CompiledPicture& picture, const Section& s, std::u16string_view text,
                       std::u16string& out) {
  const auto length = static_cast<std::ptrdiff_t>(text.size());
  const auto places = static_cast<std::ptrdiff_t>(s.text_places);
  const std::ptrdiff_t missing = s.left_to_right || length > places ? 0 : places - length;
  const std::u16string_view rest =
      length > places ? text.substr(static_cast<std::size_t>(places)) : std::u16string_view();
  std::ptrdiff_t placeholder = 0;
  for (const Item& item : s.items) {
    if (item.kind == ItemKind::kLiteral) {
      out += picture.Text(item);
      continue;
    }
    if (item.kind != ItemKind::kTextChar) continue;
    const std::ptrdiff_t index = placeholder - missing;
    if (index >= 0 && index < length) {
      out.push_back(text[static_cast<std::size_t>(index)]);
    } else if (item.flag != 0) {
      out.push_back(u' ');
    }
    if (s.left_to_right && placeholder == places - 1) out += rest;
    ++placeholder;
  }
  if (!s.left_to_right) out += rest;
}

void AppendTextForm(const Subject& subject, const LocaleData& locale, std::u16string& out) {
  if (subject.number == nullptr) {
    out += subject.text;
  } else if (subject.value != nullptr) {
    static_cast<void>(AppendText(*subject.value, locale, out));
  }
}

Outcome AppendSection(const CompiledPicture& picture, const Section& s, const Subject& subject,
                      bool minus, const LocaleData& locale, std::u16string& out) {
  const std::size_t start = out.size();
  static const Numeric kZero;
  const Numeric& number = subject.number != nullptr ? *subject.number : kZero;
  switch (s.kind) {
    case SectionKind::kNumber:
      if (!number.finite) {
        AppendTextForm(subject, locale, out);
        return Outcome::kText;
      }
      AppendNumberSection(picture, s, number.decimal, minus, locale, out);
      break;
    case SectionKind::kDate:
      if (!number.finite || !AppendDateSection(picture, s, number.serial, locale, out)) {
        out.resize(start);
        return Outcome::kOverflow;
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
  return Outcome::kText;
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
        case VarType::kDouble: static_cast<void>(AppendText(value, locale, out)); break;
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
      const auto row =
          static_cast<std::size_t>(named) - static_cast<std::size_t>(NamedFormat::kYesNo);
      const bool zero = number.finite ? number.decimal.IsZero() : false;
      out += kWords[row][zero ? 1 : 0];
      break;
    }
    case NamedFormat::kNone: break;
  }
}

// Named formats with a form of their own: null stays null and text that is
// not a number comes back as it is.
Outcome AppendNamedFormat(const Variant& value, const CompiledPicture& picture,
                          const LocaleData& locale, std::u16string& out) {
  if (value.IsNull()) return Outcome::kNull;
  const std::optional<Numeric> number = ToNumeric(value, locale);
  if (!number) {
    out += value.AsText();
  } else {
    AppendNamed(picture.named, value, *number, locale, out);
  }
  return Outcome::kText;
}

// Date pictures read text as a date where it does not read as a number;
// text numeric only by loose grouping with the date separator reads as a
// date first.
std::optional<Numeric> NumberOrTextDate(const Variant& value, const CompiledPicture& picture,
                                        const LocaleData& locale) {
  std::optional<Numeric> number = ToNumeric(value, locale);
  if (!picture.date_picture || !value.IsText() ||
      (number && !GroupsLikeADate(value.AsText(), locale))) {
    return number;
  }
  if (const std::optional<double> serial = ReadTextDate(value.AsText(), locale, CurrentYear())) {
    return ToNumeric(Variant::FromDate(Date{*serial}), locale);
  }
  if (!number) NoteUnreadDateText(value.AsText());
  return number;
}

}  // namespace

Outcome AppendFormatted(const Variant& value, const CompiledPicture& picture,
                        const LocaleData& locale, std::u16string& out) {
  if (picture.named != NamedFormat::kNone) return AppendNamedFormat(value, picture, locale, out);
  if (value.IsNull() && picture.sections.empty()) return Outcome::kNull;
  if (picture.sections.empty()) {                       // the empty picture: the value's text form
    static_cast<void>(AppendText(value, locale, out));  // fails for null only
    return Outcome::kText;
  }

  std::u16string text_form;  // what a text picture shows
  std::optional<Numeric> number;
  Subject subject;
  subject.null = value.IsNull();
  if (picture.text_picture) {
    // Null has no text form and shows as the empty text where it shows.
    static_cast<void>(AppendText(value, locale, text_form));
    subject.text = text_form;
  } else if (value.IsText() && picture.literal_only) {
    subject.text = value.AsText();
  } else if (!subject.null) {
    number = NumberOrTextDate(value, picture, locale);
    if (!number) {
      // Text that is not a number comes back as it is from number and date
      // pictures.
      out += value.AsText();
      return Outcome::kText;
    }
    subject.value = &value;
    subject.number = &*number;
  }

  const SectionChoice choice = ChooseSection(picture, subject);
  if (choice.section == nullptr) return Outcome::kNull;
  return AppendSection(picture, *choice.section, subject, choice.WritesMinus(), locale, out);
}

}  // namespace pelt::format::internal
