#include "format_command.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>

#include "options.h"
#include "pelt/value/conversion.h"
#include "pelt/value/format.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "format";

constexpr OptionSpec kLocaleOption{
    "locale", 'L', "L", "the locale, such as de_DE (default: the environment's)"};
constexpr OptionSpec kFunctionOption{
    "function", 'f', "F", "Format (default), FormatNumber, FormatCurrency or Round"};
constexpr std::array kOptions{kLocaleOption, kFunctionOption, kHelpOption};

constexpr std::string_view kUsage =
    "Usage: pelt-label format [--locale L] [--function F] VALUE [ARGUMENT]\n"
    "\n"
    "Prints the text a label shows for VALUE after one formatting function, so\n"
    "that a picture can be tried before it goes into an expression.\n"
    "\n"
    "VALUE is written with its type:\n"
    "  num:1234.5   int:42   cur:12.34   str:any text   bool:true   null:   empty:\n"
    "  date:2026-01-05   date:2026-01-05T13:04:09   time:13:04:09\n"
    "ARGUMENT is the picture for Format (none: the empty picture) and the number\n"
    "of decimals for FormatNumber and Round; FormatCurrency takes none. A\n"
    "function that does not apply leaves the value as it came; null prints an\n"
    "empty line. Put -- before operands that begin with a minus, such as a\n"
    "picture \"-0\" or the decimals -1.\n"
    "\n"
    "Examples:\n"
    "  pelt-label format num:1234.5 '#,##0.00'\n"
    "  pelt-label format --locale de_DE date:2026-01-05 'dddd d. mmmm yyyy'\n"
    "  pelt-label format --function FormatNumber num:-0.004 2\n"
    "  pelt-label format --function FormatNumber -- num:1234.5 -1\n"
    "\n"
    "Exit status: 0 the text was printed; 2 bad usage: a malformed VALUE,\n"
    "ARGUMENT or locale, or an ARGUMENT where the function takes none.\n"
    "\n";

enum class Function { kFormat, kFormatNumber, kFormatCurrency, kRound };

std::optional<Function> FunctionNamed(std::string_view name) {
  const std::u16string wide = value::FromUtf8(name);
  if (value::EqualsNoCase(wide, u"Format")) return Function::kFormat;
  if (value::EqualsNoCase(wide, u"FormatNumber")) return Function::kFormatNumber;
  if (value::EqualsNoCase(wide, u"FormatCurrency")) return Function::kFormatCurrency;
  if (value::EqualsNoCase(wide, u"Round")) return Function::kRound;
  return std::nullopt;
}

std::optional<int> ReadDecimals(std::string_view text) {
  int decimals = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(begin, end, decimals);
  if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return decimals;
}

// The value after the function; as it came when the function does not
// apply or fails, as label making has it.
value::Variant Apply(Function function, const value::Variant& input,
                     std::optional<std::string_view> argument, int decimals,
                     const value::LocaleData& locale) {
  const auto or_input = [&](auto converted) -> value::Variant {
    if (!converted.ok()) return input;
    if constexpr (std::is_same_v<decltype(converted.value), std::u16string>) {
      return value::Variant::FromText(std::move(converted.value));
    } else {
      return std::move(converted.value);
    }
  };
  switch (function) {
    case Function::kFormat:
      return or_input(value::Format(input, value::FromUtf8(argument.value_or("")), locale));
    case Function::kFormatNumber:
      return or_input(value::FormatNumber(input, decimals, locale));
    case Function::kFormatCurrency:
      return or_input(value::FormatCurrency(input, locale));
    case Function::kRound:
      return or_input(value::Round(input, decimals, locale));
  }
  return input;
}

}  // namespace

ExitCode RunFormat(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  if (const auto done = ParseCommandArguments(args, kOptions, kCommand, kUsage, io, arguments)) {
    return *done;
  }
  std::string error;

  Function function = Function::kFormat;
  if (const auto name = arguments.Value(kFunctionOption.name)) {
    const std::optional<Function> named = FunctionNamed(*name);
    if (!named) return ReportUsage(io, kCommand, "unknown function '" + std::string(*name) + "'");
    function = *named;
  }
  const value::LocaleData* locale = &value::UserLocale();
  if (const auto id = arguments.Value(kLocaleOption.name)) {
    if (!value::IsKnownLocale(*id)) {
      return ReportUsage(io, kCommand, "unknown locale '" + std::string(*id) + "'");
    }
    locale = &value::LocaleDataFor(*id);
  }

  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.empty() || operands.size() > 2) {
    return ReportUsage(io, kCommand, "expects VALUE and at most one ARGUMENT, got " +
                                         std::to_string(operands.size()) + " operands");
  }
  const std::optional<value::Variant> input = value::ParseTypedLiteral(operands[0]);
  if (!input) {
    return ReportUsage(io, kCommand, "malformed VALUE '" + std::string(operands[0]) + "'");
  }
  const std::optional<std::string_view> argument =
      operands.size() == 2 ? std::optional(operands[1]) : std::nullopt;
  int decimals = 0;
  if (function == Function::kFormatCurrency && argument) {
    return ReportUsage(io, kCommand, "FormatCurrency takes no ARGUMENT");
  }
  if (function == Function::kFormatNumber || function == Function::kRound) {
    const std::optional<int> read = argument ? ReadDecimals(*argument) : std::nullopt;
    if (!read) {
      return ReportUsage(io, kCommand, argument ? "malformed ARGUMENT '" + std::string(*argument) +
                                                      "': expected a number of decimals"
                                                : "expects the number of decimals as ARGUMENT");
    }
    decimals = *read;
  }

  const value::Variant result = Apply(function, *input, argument, decimals, *locale);
  std::u16string text;
  static_cast<void>(value::AppendText(result, *locale, text));  // null adds nothing
  io.out << value::ToUtf8(text) << '\n';
  return FlushStandardOutput(io);
}

}  // namespace pelt::tools
