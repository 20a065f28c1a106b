#include "pelt/evaluator/apply_format.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "ignoring_failures.h"
#include "pelt/format/format.h"
#include "pelt/value/conversion.h"
#include "pelt/value/text.h"

namespace pelt::evaluator {
namespace {

using language::Argument;
using language::StatementId;
using value::Variant;
using value::VarType;

// A function that does not apply gives nullopt: the value stays as it came.
// That is an everyday outcome (null fields, text through Abs), so it is not
// signalled by an exception.
using Result = std::optional<Variant>;
constexpr std::nullopt_t kNotApplied = std::nullopt;

std::optional<std::int32_t> Count(const Argument& argument) {
  const auto* n = std::get_if<std::int32_t>(&argument);
  if (n == nullptr) return std::nullopt;
  return *n;
}

const std::u16string& Text(const Argument& argument) {
  static const std::u16string kEmpty;
  const auto* text = std::get_if<std::u16string>(&argument);
  return text == nullptr ? kEmpty : *text;
}

// The value's text without copying it when the value is text already;
// other values are turned into their text form. Null has none.
class ValueText {
 public:
  ValueText(const Variant& value, const value::LocaleData& locale) {
    if (value.IsText()) {
      text_ = &value.AsText();
    } else if (value::AppendText(value, locale, own_) == value::ErrorCode::kNone) {
      text_ = &own_;
    }
  }
  explicit operator bool() const { return text_ != nullptr; }
  const std::u16string& operator*() const { return *text_; }
  const std::u16string* operator->() const { return text_; }

 private:
  const std::u16string* text_ = nullptr;
  std::u16string own_;
};

Result TextResult(std::u16string text) { return Variant::FromText(std::move(text)); }

// The stretch [from, from + count) of the value's text as the new value.
// A text value is cut in place, which cannot fail and allocates nothing.
Result Cut(Variant& value, const ValueText& text, std::size_t from, std::size_t count) {
  if (value.IsText()) {
    std::u16string& own = value.MutableText();
    own.erase(std::min(from + count, own.size()));
    own.erase(0, std::min(from, own.size()));
    return std::move(value);
  }
  return TextResult(text->substr(std::min(from, text->size()), count));
}

// The handlers named in statements.def. Each gets the value, both arguments
// of the entry and the locale, and may assume what the statement's operand
// column promises (no null for text functions, a numeric value for numeric
// ones); it returns the new value or kNotApplied.
#define PELT_HANDLER(name)                                            \
  Result name(Variant& value, [[maybe_unused]] const Argument& first, \
              [[maybe_unused]] const Argument& second,                \
              [[maybe_unused]] const value::LocaleData& locale)

PELT_HANDLER(AbsoluteValue) {
  switch (value.type()) {
    case VarType::kBoolean: return Variant::FromInteger(value.AsBoolean() ? 1 : 0);
    case VarType::kInteger:
      if (value.AsInteger() == std::numeric_limits<std::int16_t>::min()) return kNotApplied;
      return Variant::FromInteger(static_cast<std::int16_t>(std::abs(value.AsInteger())));
    case VarType::kLong:
      if (value.AsLong() == std::numeric_limits<std::int32_t>::min()) return kNotApplied;
      return Variant::FromLong(std::abs(value.AsLong()));
    case VarType::kDouble: return Variant::FromDouble(std::fabs(value.AsDouble()));
    case VarType::kCurrency:
      if (value.AsCurrency().scaled == std::numeric_limits<std::int64_t>::min()) {
        return kNotApplied;
      }
      return Variant::FromCurrency({std::llabs(value.AsCurrency().scaled)});
    case VarType::kString: {
      const value::Converted<double> number = value::ParseNumber(value.AsText(), locale);
      assert(number.ok() && "the operand column lets numeric text through only");
      return Variant::FromDouble(std::fabs(number.value));
    }
    default: break;
  }
  assert(false && "the operand column lets numbers and numeric text through only");
  return kNotApplied;
}

// Format, FormatNumber, FormatCurrency and Round come from the format
// layer; what it refuses leaves the value unchanged.
Result FromConverted(value::Converted<Variant> converted) {
  if (!converted.ok()) return kNotApplied;
  return std::move(converted.value);
}

Result FromConverted(value::Converted<std::u16string> converted) {
  if (!converted.ok()) return kNotApplied;
  return Variant::FromText(std::move(converted.value));
}

PELT_HANDLER(InCurrency) { return FromConverted(format::FormatCurrency(value, locale)); }

PELT_HANDLER(ByPicture) { return FromConverted(format::Format(value, Text(first), locale)); }

PELT_HANDLER(WithDecimals) {
  const std::optional<std::int32_t> decimals = Count(first);
  if (!decimals) return kNotApplied;
  return FromConverted(format::FormatNumber(value, *decimals, locale));
}

PELT_HANDLER(Rounded) {
  const std::optional<std::int32_t> decimals = Count(first);
  if (!decimals || *decimals < 0) return kNotApplied;
  return FromConverted(format::Round(value, *decimals, locale));
}

PELT_HANDLER(LeftPart) {
  const std::optional<std::int32_t> n = Count(first);
  if (!n || *n < 0) return kNotApplied;
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  return Cut(value, text, 0, static_cast<std::size_t>(*n));
}

PELT_HANDLER(RightPart) {
  const std::optional<std::int32_t> n = Count(first);
  if (!n || *n < 0) return kNotApplied;
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  const std::size_t keep = std::min(static_cast<std::size_t>(*n), text->size());
  return Cut(value, text, text->size() - keep, keep);
}

PELT_HANDLER(MiddlePart) {
  const std::optional<std::int32_t> start = Count(first);
  const std::optional<std::int32_t> length = Count(second);
  if (!start || !length || *start < 1 || *length < 0) return kNotApplied;
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  return Cut(value, text, static_cast<std::size_t>(*start - 1), static_cast<std::size_t>(*length));
}

PELT_HANDLER(EveryMatchReplaced) {
  const std::u16string& search = Text(first);
  const std::u16string& replacement = Text(second);
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  if (search.empty()) return TextResult(*text);
  std::u16string out;
  std::size_t copied = 0;  // 0-based end of what has been copied
  for (std::size_t found = value::FindNoCase(*text, search, 1); found != 0;
       found = value::FindNoCase(*text, search, copied + 1)) {
    out.append(*text, copied, found - 1 - copied);
    out += replacement;
    copied = found - 1 + search.size();
    if (out.size() > kMaxTextLength) return kNotApplied;
  }
  out.append(*text, copied, std::u16string::npos);
  return TextResult(std::move(out));
}

enum class Blanks { kLeading, kTrailing, kBoth };

Result Trim(Variant& value, Blanks blanks, const value::LocaleData& locale) {
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  std::size_t begin = 0;
  std::size_t end = text->size();
  if (blanks != Blanks::kTrailing) {
    while (begin < end && (*text)[begin] == u' ') ++begin;
  }
  if (blanks != Blanks::kLeading) {
    while (end > begin && (*text)[end - 1] == u' ') --end;
  }
  return Cut(value, text, begin, end - begin);
}

PELT_HANDLER(LeadingBlanksTrimmed) { return Trim(value, Blanks::kLeading, locale); }
PELT_HANDLER(TrailingBlanksTrimmed) { return Trim(value, Blanks::kTrailing, locale); }
PELT_HANDLER(BlanksTrimmed) { return Trim(value, Blanks::kBoth, locale); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

PELT_HANDLER(Spaced) {
  const std::optional<std::int32_t> n = Count(first);
  if (!n) return kNotApplied;
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  const std::size_t pad = *n < 1 ? 0 : static_cast<std::size_t>(*n);
  if (!text->empty() && pad + 1 > kMaxTextLength / text->size()) return kNotApplied;
  std::u16string out;
  out.reserve(text->size() * (pad + 1));
  for (std::size_t i = 0; i < text->size(); ++i) {
    out.push_back((*text)[i]);
    // A surrogate pair is one character: the pad follows its second half.
    if (IsHighSurrogate((*text)[i]) && i + 1 < text->size() && IsLowSurrogate((*text)[i + 1])) {
      out.push_back((*text)[++i]);
    }
    out.append(pad, u' ');
  }
  return TextResult(std::move(out));
}

// Case mapping in the user's locale, so that Turkish users get their dotted I.
// Text is mapped in its own storage; a mapping may lengthen it at most
// threefold, so text short enough cannot pass the bound and be left changed.
Result MappedCase(Variant& value, const value::LocaleData& locale,
                  void (*in_place)(std::u16string&, const char*),
                  std::u16string (*copied)(std::u16string_view, const char*)) {
  if (value.IsText() && value.AsText().size() <= kMaxTextLength / 4) {
    in_place(value.MutableText(), locale.name.c_str());
    return std::move(value);
  }
  const ValueText text(value, locale);
  if (!text) return kNotApplied;
  return TextResult(copied(*text, locale.name.c_str()));
}

PELT_HANDLER(LowerCase) { return MappedCase(value, locale, value::MakeLower, value::ToLower); }

PELT_HANDLER(UpperCase) { return MappedCase(value, locale, value::MakeUpper, value::ToUpper); }

#undef PELT_HANDLER

using Handler = Result (*)(Variant&, const Argument&, const Argument&, const value::LocaleData&);

struct FormatFunction {
  language::StatementOperand operand;
  Handler handler;
};

// Indexed by statement id; kNone applies nothing.
constexpr FormatFunction kFunctions[] = {
    {language::StatementOperand::kAnyValue, nullptr},
#define PELT_STATEMENT(id, name, arguments, operand, handler, ...) \
  {language::StatementOperand::operand, &handler},
#include "pelt/language/statements.def"
#undef PELT_STATEMENT
};
static_assert(std::size(kFunctions) == language::kStatementCount + 1);

// Whether the function takes the value, by its operand column.
bool Takes(language::StatementOperand operand, const Variant& value,
           const value::LocaleData& locale) {
  switch (operand) {
    case language::StatementOperand::kText: return !value.IsNull();
    case language::StatementOperand::kNumber: return value::IsNumeric(value, locale);
    case language::StatementOperand::kAnyValue: return true;
  }
  return false;
}

// The handlers that can write their text into a value's own: each gives
// kNone with the result in out, or another code when the general way is to
// decide (the format layer's verdict, or a value left as it came).
using IntoHandler = value::ErrorCode (*)(const Variant&, const Argument&, const value::LocaleData&,
                                         Variant&);

value::ErrorCode ByPictureInto(const Variant& value, const Argument& first,
                               const value::LocaleData& locale, Variant& out) {
  return format::FormatInto(value, Text(first), locale, out);
}

value::ErrorCode WithDecimalsInto(const Variant& value, const Argument& first,
                                  const value::LocaleData& locale, Variant& out) {
  const std::optional<std::int32_t> decimals = Count(first);
  if (!decimals) return value::ErrorCode::kInvalidProcedureCall;
  return format::FormatNumberInto(value, *decimals, locale, out);
}

struct IntoVersion {
  Handler handler;
  IntoHandler into;
};
// A case mapping made straight into out's text: one pass for ASCII text,
// where the general way copies the value and then maps the copy.
value::ErrorCode MappedCaseInto(const Variant& value, const value::LocaleData& locale,
                                void (*assign)(std::u16string_view, const char*, std::u16string&),
                                Variant& out) {
  const ValueText text(value, locale);
  // What the general way leaves as it came (null, text too long to map)
  // it decides itself.
  if (!text || text->size() > kMaxTextLength / 4) return value::ErrorCode::kTypeMismatch;
  assign(*text, locale.name.c_str(), out.TextToFill());
  return value::ErrorCode::kNone;
}

value::ErrorCode UpperCaseInto(const Variant& value, const Argument&,
                               const value::LocaleData& locale, Variant& out) {
  return MappedCaseInto(value, locale, value::AssignUpper, out);
}

value::ErrorCode LowerCaseInto(const Variant& value, const Argument&,
                               const value::LocaleData& locale, Variant& out) {
  return MappedCaseInto(value, locale, value::AssignLower, out);
}

constexpr IntoVersion kIntoVersions[] = {{&ByPicture, &ByPictureInto},
                                         {&WithDecimals, &WithDecimalsInto},
                                         {&UpperCase, &UpperCaseInto},
                                         {&LowerCase, &LowerCaseInto}};

// True when function's result, made straight into out, is there; false when
// only the general way can tell (out is then to be overwritten).
bool MadeInto(const Variant& value, StatementId function, const Argument& first,
              const value::LocaleData& locale, Variant& out) {
  const auto index = static_cast<std::size_t>(function);
  if (index == 0 || index >= std::size(kFunctions)) return false;
  const FormatFunction& entry = kFunctions[index];
  for (const IntoVersion& version : kIntoVersions) {
    if (version.handler != entry.handler) continue;
    return Takes(entry.operand, value, locale) &&
           version.into(value, first, locale, out) == value::ErrorCode::kNone &&
           !(out.IsText() && out.AsText().size() > kMaxTextLength);
  }
  return false;
}

// The value after one function, or kNotApplied.
Result Apply(Variant& value, StatementId function, const Argument& first, const Argument& second,
             const value::LocaleData& locale) {
  const auto index = static_cast<std::size_t>(function);
  if (index == 0 || index >= std::size(kFunctions)) return kNotApplied;
  const FormatFunction& entry = kFunctions[index];
  if (!Takes(entry.operand, value, locale)) return kNotApplied;
  Result result = entry.handler(value, first, second, locale);
  if (result && result->IsText() && result->AsText().size() > kMaxTextLength) return kNotApplied;
  return result;
}

}  // namespace

void ApplyFormatInPlace(Variant& value, StatementId function, const Argument& first,
                        const Argument& second, const value::LocaleData& locale) {
  // A function that fails leaves the value as it came in; nothing is reported.
  internal::IgnoringFailures([&] {
    if (Result result = Apply(value, function, first, second, locale)) value = std::move(*result);
  });
}

void ApplyFormatTo(const Variant& value, StatementId function, const Argument& first,
                   const Argument& second, const value::LocaleData& locale, Variant& out) {
  bool made = false;
  internal::IgnoringFailures([&] { made = MadeInto(value, function, first, locale, out); });
  if (made) return;
  out = value;
  ApplyFormatInPlace(out, function, first, second, locale);
}

Variant ApplyFormat(Variant& value, StatementId function, const Argument& first,
                    const Argument& second, const value::LocaleData& locale) {
  ApplyFormatInPlace(value, function, first, second, locale);
  return value;
}

Variant ApplyFormat(Variant& value, std::u16string_view function, const Argument& first,
                    const Argument& second, const value::LocaleData& locale) {
  std::optional<StatementId> id;
  // A name that cannot be case-folded matches no function: the value stays.
  internal::IgnoringFailures([&] { id = language::StatementByName(function); });
  if (!id) return value;
  return ApplyFormat(value, *id, first, second, locale);
}

bool UsesLocaleCurrency(StatementId function, const Argument& first) {
  if (function == StatementId::kFormatCurrency) return true;
  const auto* picture = std::get_if<std::u16string>(&first);
  return function == StatementId::kFormat && picture != nullptr &&
         format::IsCurrencyPicture(*picture);
}

}  // namespace pelt::evaluator
