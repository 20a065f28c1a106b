#include "apply_format.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "pelt/value/conversion.h"
#include "pelt/value/format.h"
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

// The value's text form; null has none.
std::optional<std::u16string> ValueText(const Variant& value, const value::LocaleData& locale) {
  if (value.IsText()) return value.AsText();
  std::u16string text;
  if (value::AppendText(value, locale, text) != value::ErrorCode::kNone) return std::nullopt;
  return text;
}

Result TextResult(std::u16string text) { return Variant::FromText(std::move(text)); }

Result Abs(const Variant& value, const value::LocaleData& locale) {
  switch (value.type()) {
    case VarType::kBoolean:
      return Variant::FromInteger(value.AsBoolean() ? 1 : 0);
    case VarType::kInteger:
      if (value.AsInteger() == std::numeric_limits<std::int16_t>::min()) return kNotApplied;
      return Variant::FromInteger(static_cast<std::int16_t>(std::abs(value.AsInteger())));
    case VarType::kLong:
      if (value.AsLong() == std::numeric_limits<std::int32_t>::min()) return kNotApplied;
      return Variant::FromLong(std::abs(value.AsLong()));
    case VarType::kDouble:
      return Variant::FromDouble(std::fabs(value.AsDouble()));
    case VarType::kCurrency:
      if (value.AsCurrency().scaled == std::numeric_limits<std::int64_t>::min()) {
        return kNotApplied;
      }
      return Variant::FromCurrency({std::llabs(value.AsCurrency().scaled)});
    case VarType::kString: {
      const value::Converted<double> number = value::ParseNumber(value.AsText(), locale);
      if (!number.ok()) return kNotApplied;
      return Variant::FromDouble(std::fabs(number.value));
    }
    default:
      return kNotApplied;
  }
}

Result Left(const Variant& value, const Argument& count, const value::LocaleData& locale) {
  const std::optional<std::int32_t> n = Count(count);
  std::optional<std::u16string> text = ValueText(value, locale);
  if (!n || *n < 0 || !text) return kNotApplied;
  if (static_cast<std::size_t>(*n) < text->size()) text->resize(static_cast<std::size_t>(*n));
  return TextResult(std::move(*text));
}

Result Right(const Variant& value, const Argument& count, const value::LocaleData& locale) {
  const std::optional<std::int32_t> n = Count(count);
  std::optional<std::u16string> text = ValueText(value, locale);
  if (!n || *n < 0 || !text) return kNotApplied;
  if (static_cast<std::size_t>(*n) < text->size()) {
    text->erase(0, text->size() - static_cast<std::size_t>(*n));
  }
  return TextResult(std::move(*text));
}

Result Mid(const Variant& value, const Argument& start_argument, const Argument& length_argument,
           const value::LocaleData& locale) {
  const std::optional<std::int32_t> start = Count(start_argument);
  const std::optional<std::int32_t> length = Count(length_argument);
  const std::optional<std::u16string> text = ValueText(value, locale);
  if (!start || !length || *start < 1 || *length < 0 || !text) return kNotApplied;
  const auto from = static_cast<std::size_t>(*start - 1);
  if (from >= text->size()) return TextResult(u"");
  return TextResult(text->substr(from, static_cast<std::size_t>(*length)));
}

Result Replace(const Variant& value, const Argument& search_argument,
               const Argument& replacement_argument, const value::LocaleData& locale) {
  const std::u16string& search = Text(search_argument);
  const std::u16string& replacement = Text(replacement_argument);
  std::optional<std::u16string> text_or_null = ValueText(value, locale);
  if (!text_or_null) return kNotApplied;
  const std::u16string& text = *text_or_null;
  if (search.empty()) return TextResult(text);
  std::u16string out;
  std::size_t copied = 0;  // 0-based end of what has been copied
  for (std::size_t found = value::FindNoCase(text, search, 1); found != 0;
       found = value::FindNoCase(text, search, copied + 1)) {
    out.append(text, copied, found - 1 - copied);
    out += replacement;
    copied = found - 1 + search.size();
  }
  out.append(text, copied, std::u16string::npos);
  return TextResult(std::move(out));
}

Result Trim(const Variant& value, bool leading, bool trailing, const value::LocaleData& locale) {
  const std::optional<std::u16string> text_or_null = ValueText(value, locale);
  if (!text_or_null) return kNotApplied;
  const std::u16string& text = *text_or_null;
  std::size_t begin = 0;
  std::size_t end = text.size();
  if (leading) {
    while (begin < end && text[begin] == u' ') ++begin;
  }
  if (trailing) {
    while (end > begin && text[end - 1] == u' ') --end;
  }
  return TextResult(text.substr(begin, end - begin));
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

Result Spaces(const Variant& value, const Argument& count, const value::LocaleData& locale) {
  const std::optional<std::int32_t> n = Count(count);
  const std::optional<std::u16string> text_or_null = ValueText(value, locale);
  if (!n || !text_or_null) return kNotApplied;
  const std::size_t pad = *n < 1 ? 0 : static_cast<std::size_t>(*n);
  const std::u16string& text = *text_or_null;
  std::u16string out;
  out.reserve(text.size() * (pad + 1));
  for (std::size_t i = 0; i < text.size(); ++i) {
    out.push_back(text[i]);
    // A surrogate pair is one character: the pad follows its second half.
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out.push_back(text[++i]);
    }
    out.append(pad, u' ');
  }
  return TextResult(std::move(out));
}

// Format, FormatNumber, FormatCurrency and Round come from the value
// formatting facility; what it refuses leaves the value unchanged.
Result FromConverted(value::Converted<Variant> converted) {
  if (!converted.ok()) return kNotApplied;
  return std::move(converted.value);
}

Result FromConverted(value::Converted<std::u16string> converted) {
  if (!converted.ok()) return kNotApplied;
  return Variant::FromText(std::move(converted.value));
}

// Case mapping in the user's locale, so that Turkish users get their dotted I.
Result MapCase(const Variant& value, bool upper, const value::LocaleData& locale) {
  const std::optional<std::u16string> text = ValueText(value, locale);
  if (!text) return kNotApplied;
  return TextResult(upper ? value::ToUpper(*text, locale.name.c_str())
                          : value::ToLower(*text, locale.name.c_str()));
}

// The value after one function, or kNotApplied.
Result Apply(const Variant& value, StatementId function, const Argument& first,
              const Argument& second, const value::LocaleData& locale) {
  // Text functions keep null null (and Replace and Spaces fail on it, which
  // comes to the same).
  const bool text_function = function != StatementId::kAbs && function != StatementId::kFormat &&
                             function != StatementId::kFormatCurrency &&
                             function != StatementId::kFormatNumber &&
                             function != StatementId::kRound;
  if (text_function && value.IsNull()) return kNotApplied;
  switch (function) {
    case StatementId::kNone:
      return kNotApplied;
    case StatementId::kAbs:
      return Abs(value, locale);
    case StatementId::kFormatCurrency:
      if (!value::IsNumeric(value, locale)) return kNotApplied;
      return FromConverted(value::FormatCurrency(value, locale));
    case StatementId::kFormat:
      return FromConverted(value::Format(value, Text(first), locale));
    case StatementId::kFormatNumber: {
      const std::optional<std::int32_t> decimals = Count(first);
      if (!decimals || !value::IsNumeric(value, locale)) return kNotApplied;
      return FromConverted(value::FormatNumber(value, *decimals, locale));
    }
    case StatementId::kLCase:
      return MapCase(value, /*upper=*/false, locale);
    case StatementId::kLeft:
      return Left(value, first, locale);
    case StatementId::kLTrim:
      return Trim(value, /*leading=*/true, /*trailing=*/false, locale);
    case StatementId::kMid:
      return Mid(value, first, second, locale);
    case StatementId::kReplace:
      return Replace(value, first, second, locale);
    case StatementId::kRight:
      return Right(value, first, locale);
    case StatementId::kRound: {
      const std::optional<std::int32_t> decimals = Count(first);
      if (!decimals || *decimals < 0 || !value::IsNumeric(value, locale)) return kNotApplied;
      return FromConverted(value::Round(value, *decimals, locale));
    }
    case StatementId::kRTrim:
      return Trim(value, /*leading=*/false, /*trailing=*/true, locale);
    case StatementId::kSpaces:
      return Spaces(value, first, locale);
    case StatementId::kTrim:
      return Trim(value, /*leading=*/true, /*trailing=*/true, locale);
    case StatementId::kUCase:
      return MapCase(value, /*upper=*/true, locale);
  }
  return kNotApplied;
}

}  // namespace

Variant ApplyFormat(Variant& value, StatementId function, const Argument& first,
                    const Argument& second, const value::LocaleData& locale) {
  try {
    if (Result result = Apply(value, function, first, second, locale)) value = std::move(*result);
  } catch (...) {
    // Whatever went wrong, the value stays as it came in; nothing is reported.
  }
  return value;
}

Variant ApplyFormat(Variant& value, std::u16string_view function, const Argument& first,
                    const Argument& second, const value::LocaleData& locale) {
  std::optional<StatementId> id;
  try {
    id = language::StatementByName(function);
  } catch (...) {
  }
  if (!id) return value;
  return ApplyFormat(value, *id, first, second, locale);
}

}  // namespace pelt::evaluator
