#include <array>
#include <cstddef>

#include "picture.h"
#include "picture_tokens.h"

namespace pelt::format::internal {
namespace {

class SectionCompiler {
 public:
  SectionCompiler(std::u16string_view source, std::u16string& pool, Section& section)
      : source_(source), pool_(pool), section_(section) {}

  void Compile() {
    const std::vector<RawToken> tokens = Tokenize(source_);
    section_.empty = source_.empty();
    bool has_text = false, has_digit = false, has_date = false;
    for (const RawToken& t : tokens) {
      has_text |= t.kind == Raw::kAt || t.kind == Raw::kAmpersand;
      has_digit |= t.kind == Raw::kZero || t.kind == Raw::kHash;
      has_date |= t.kind == Raw::kDate || t.kind == Raw::kAmPm || t.kind == Raw::kAmPmLocale;
    }
    if (has_text) {
      section_.kind = SectionKind::kText;
      CompileText(tokens);
    } else if (has_digit) {
      section_.kind = SectionKind::kNumber;
      CompileNumber(tokens);
    } else if (has_date) {
      section_.kind = SectionKind::kDate;
      CompileDate(tokens);
    } else {
      section_.kind = SectionKind::kLiteral;
      for (const RawToken& t : tokens) CompileCommon(t);
    }
  }

 private:
  void AddLiteral(std::size_t begin, std::size_t end) {
    if (begin >= end) return;
    section_.has_literal = true;
    const auto offset = static_cast<std::uint32_t>(pool_.size());
    pool_.append(source_.substr(begin, end - begin));
    std::vector<Item>& items = section_.items;
    if (!items.empty() && items.back().kind == ItemKind::kLiteral &&
        items.back().offset + items.back().length == offset) {
      items.back().length += static_cast<std::uint32_t>(end - begin);
      return;
    }
    Item item;
    item.kind = ItemKind::kLiteral;
    item.offset = offset;
    item.length = static_cast<std::uint32_t>(end - begin);
    items.push_back(item);
  }

  void Add(ItemKind kind, std::int32_t place = 0, std::uint8_t flag = 0) {
    Item item;
    item.kind = kind;
    item.place = place;
    item.flag = flag;
    section_.items.push_back(item);
  }

  // Case forcing, the fill flag and literal text mean the same in every kind
  // of section.
  void CompileCommon(const RawToken& t) {
    switch (t.kind) {
      case Raw::kLower:
      case Raw::kUpper:
        if (section_.case_force == CaseForce::kNone) {  // the first mark wins
          section_.case_force = t.kind == Raw::kLower ? CaseForce::kLower : CaseForce::kUpper;
        }
        break;
      case Raw::kBang: break;  // fills text placeholders only
      default: AddLiteral(t.begin, t.end); break;
    }
  }

  // number := integer-part [ '.' fraction-part ] [ E± exponent-digits ], with
  // literals anywhere, read in one pass. The first point of the integer part
  // starts the fraction; the first E± after a digit placeholder starts the
  // exponent. A separator between integer placeholders groups; those after
  // the last integer placeholder divide by 1000 each; the rest mean nothing.
  void CompileNumber(const std::vector<RawToken>& tokens) {
    for (const RawToken& t : tokens) {
      switch (t.kind) {
        case Raw::kZero:
        case Raw::kHash: AddDigit(t.kind == Raw::kZero); break;
        case Raw::kPoint:
          if (part_ != NumberPart::kInteger) {
            CompileCommon(t);
            break;
          }
          EndIntegerPart();
          Add(ItemKind::kDecimalPoint);
          part_ = NumberPart::kFraction;
          break;
        case Raw::kExponent:
          if (part_ == NumberPart::kExponent || !digit_seen_) {
            CompileCommon(t);
            break;
          }
          if (part_ == NumberPart::kInteger) EndIntegerPart();
          AddExponent(t);
          break;
        case Raw::kComma:
          if (part_ == NumberPart::kInteger && section_.integer_places > 0) ++trailing_separators_;
          break;
        case Raw::kPercent:
          section_.shift += 2;
          AddLiteral(t.begin, t.end);
          break;
        default: CompileCommon(t); break;
      }
    }
    if (part_ == NumberPart::kInteger) EndIntegerPart();
    if (exponent_zeros_ > 0) section_.exponent_min_digits = exponent_zeros_;
    if (section_.exponent && implied_integer_digit_) DropImpliedIntegerDigit();
  }

  // A scientific mantissa without integer placeholders (.00E+00) starts at
  // the point: its first significant digit is the first after it.
  void DropImpliedIntegerDigit() {
    std::vector<Item>& items = section_.items;
    std::erase_if(items, [](const Item& item) { return item.kind == ItemKind::kIntegerDigit; });
    section_.integer_places = 0;
  }

  // Integer and exponent placeholders are numbered from the left; the
  // formatter turns the number into a place once the count is known.
  void AddDigit(bool zero) {
    digit_seen_ = true;
    switch (part_) {
      case NumberPart::kInteger:
        if (trailing_separators_ > 0) section_.grouping = true;
        trailing_separators_ = 0;
        if (zero && first_integer_zero_ < 0) first_integer_zero_ = section_.integer_places;
        Add(ItemKind::kIntegerDigit, section_.integer_places++, zero ? 1 : 0);
        break;
      case NumberPart::kFraction:
        if (zero) section_.min_fraction_digits = section_.fraction_places + 1;
        Add(ItemKind::kFractionDigit, ++section_.fraction_places, zero ? 1 : 0);
        break;
      case NumberPart::kExponent:
        if (zero) ++exponent_zeros_;
        Add(ItemKind::kExponentDigit, section_.exponent_places++, zero ? 1 : 0);
        break;
    }
  }

  void EndIntegerPart() {
    if (section_.integer_places == 0) {
      // No integer placeholder: the integer digits still show, before the
      // point (.00 shows 12.5 as 12.50).
      Add(ItemKind::kIntegerDigit, 0);
      section_.integer_places = 1;
      implied_integer_digit_ = true;
    }
    if (first_integer_zero_ >= 0) {
      section_.min_integer_digits = section_.integer_places - first_integer_zero_;
    }
    section_.shift -= 3 * trailing_separators_;
    trailing_separators_ = 0;
  }

  void AddExponent(const RawToken& t) {
    const bool lower = source_[t.begin] == u'e';
    Add(ItemKind::kExponent, 0,
        static_cast<std::uint8_t>((t.plus ? kExponentPlus : 0) | (lower ? kExponentLower : 0)));
    section_.exponent = true;
    part_ = NumberPart::kExponent;
  }

  // A lone m or mm is the minute when the nearest date or time token before
  // it is an hour.
  void CompileDate(const std::vector<RawToken>& tokens) {
    bool after_hour = false;
    for (const RawToken& t : tokens) {
      switch (t.kind) {
        case Raw::kDate: {
          DateField field = t.field;
          if (after_hour && field == DateField::kMonth) field = DateField::kMinute;
          if (after_hour && field == DateField::kMonth2) field = DateField::kMinute2;
          after_hour = field == DateField::kHour || field == DateField::kHour2;
          AddDateField(field);
          break;
        }
        case Raw::kAmPm:
        case Raw::kAmPmLocale:
          after_hour = false;
          section_.twelve_hour = true;
          if (t.kind == Raw::kAmPm) {
            AddAmPmLiteral(t);
          } else {
            AddDateField(DateField::kAmPmLocale);
          }
          break;
        case Raw::kSlash: Add(ItemKind::kDateSeparator); break;
        case Raw::kColon: Add(ItemKind::kTimeSeparator); break;
        default: CompileCommon(t); break;
      }
    }
  }

  void AddDateField(DateField field) {
    Item item;
    item.kind = ItemKind::kDateField;
    item.field = field;
    section_.items.push_back(item);
  }

  // Both halves of "AM/PM" go to the pool as written.
  void AddAmPmLiteral(const RawToken& t) {
    Item item;
    item.kind = ItemKind::kAmPmLiteral;
    item.offset = static_cast<std::uint32_t>(pool_.size());
    item.length = static_cast<std::uint32_t>(t.half);
    pool_.append(source_.substr(t.begin, t.half));
    item.place = static_cast<std::int32_t>(pool_.size());
    pool_.append(source_.substr(t.end - t.half, t.half));
    section_.items.push_back(item);
  }

  void CompileText(const std::vector<RawToken>& tokens) {
    for (const RawToken& t : tokens) {
      switch (t.kind) {
        case Raw::kAt:
        case Raw::kAmpersand:
          Add(ItemKind::kTextChar, 0, t.kind == Raw::kAt ? 1 : 0);
          ++section_.text_places;
          break;
        case Raw::kBang: section_.left_to_right = true; break;
        default: CompileCommon(t); break;
      }
    }
  }

  std::u16string_view source_;
  std::u16string& pool_;
  Section& section_;

  // Number sections: where the pass stands.
  enum class NumberPart : std::uint8_t { kInteger, kFraction, kExponent };
  NumberPart part_ = NumberPart::kInteger;
  bool digit_seen_ = false;
  int trailing_separators_ = 0;  // since the last integer placeholder
  int first_integer_zero_ = -1;  // number of the leftmost integer 0
  int exponent_zeros_ = 0;
  bool implied_integer_digit_ = false;  // added by EndIntegerPart
};

// Splits at semicolons outside quotes and escapes; a fifth section and
// beyond are ignored.
std::vector<std::u16string_view> SplitSections(std::u16string_view picture) {
  std::vector<std::u16string_view> sections;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char16_t c = picture[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (c == u'\\' && !quoted) {
      ++i;
    } else if (c == u';' && !quoted) {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
      if (sections.size() == 4) return sections;
    }
  }
  sections.push_back(picture.substr(start));
  return sections;
}

struct Named {
  std::u16string_view name;  // lower case
  NamedFormat named;
  std::u16string_view picture;
};

// The named formats and the pictures they stand for; "Medium Date" has no
// picture of its own and is handled below.
constexpr std::array kNamedFormats = {
    Named{u"general number", NamedFormat::kGeneralNumber, u""},
    Named{u"currency", NamedFormat::kCurrency, u""},
    Named{u"fixed", NamedFormat::kNone, u"0.00"},
    Named{u"standard", NamedFormat::kNone, u"#,##0.00"},
    Named{u"percent", NamedFormat::kNone, u"0.00%"},
    Named{u"scientific", NamedFormat::kNone, u"0.00E+00"},
    Named{u"yes/no", NamedFormat::kYesNo, u""},
    Named{u"true/false", NamedFormat::kTrueFalse, u""},
    Named{u"on/off", NamedFormat::kOnOff, u""},
    Named{u"general date", NamedFormat::kNone, u"c"},
    Named{u"long date", NamedFormat::kNone, u"dddddd"},
    Named{u"short date", NamedFormat::kNone, u"ddddd"},
    Named{u"long time", NamedFormat::kNone, u"ttttt"},
    Named{u"medium time", NamedFormat::kNone, u"hh:nn AMPM"},
    Named{u"short time", NamedFormat::kNone, u"hh:nn"},
};

CompiledPicture ParseSections(std::u16string_view picture) {
  CompiledPicture compiled;
  if (picture.empty()) return compiled;
  for (std::u16string_view source : SplitSections(picture)) {
    Section& section = compiled.sections.emplace_back();
    SectionCompiler(source, compiled.pool, section).Compile();
    if (section.kind == SectionKind::kNumber || section.kind == SectionKind::kDate) {
      compiled.literal_only = false;
    }
  }
  compiled.text_picture = compiled.sections.front().kind == SectionKind::kText;
  compiled.date_picture = compiled.sections.front().kind == SectionKind::kDate;
  if (compiled.text_picture) compiled.literal_only = false;
  return compiled;
}

}  // namespace

CompiledPicture ParsePicture(std::u16string_view picture) {
  for (const Named& named : kNamedFormats) {
    if (picture.size() != named.name.size() || !MatchesNoCase(picture, 0, named.name)) continue;
    CompiledPicture compiled = ParseSections(named.picture);
    compiled.named = named.named;
    return compiled;
  }
  if (picture.size() == 11 && MatchesNoCase(picture, 0, u"medium date")) {
    CompiledPicture compiled;
    Section& section = compiled.sections.emplace_back();
    section.kind = SectionKind::kDate;
    section.empty = false;
    Item item;
    item.kind = ItemKind::kDateField;
    item.field = DateField::kMediumDate;
    section.items.push_back(item);
    compiled.literal_only = false;
    compiled.date_picture = true;
    return compiled;
  }
  return ParseSections(picture);
}

}  // namespace pelt::format::internal
