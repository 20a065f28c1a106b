#include "format_command.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "locale_option.h"
#include "options.h"
#include "pelt/evaluator/apply_format.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"
#include "pelt/warnings/expression_warnings.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "format";

constexpr OptionSpec kLocaleOption{"locale", 'L', "L",
                                   "the locale, such as de_DE (default: the environment's)"};
constexpr std::string_view kFunctionOptionName = "function";
constexpr language::StatementId kDefaultFunction = language::StatementId::kFormat;

constexpr std::string_view kUsage =
    R"(
Prints the text a label shows for VALUE after one formatting function, so
that a picture can be tried before it goes into an expression.

VALUE is written with its type:
  num:1234.5   int:42   cur:12.34   str:any text   bool:true   null:   empty:
  date:2026-01-05   date:2026-01-05T13:04:09   time:13:04:09
ARGUMENT is the picture for Format (none: the empty picture) and the number
of decimals for FormatNumber and Round; FormatCurrency takes none. A
function that does not apply leaves the value as it came; null prints an
empty line. Put -- before operands that begin with a minus, such as a
picture "-0" or the decimals -1.

Examples:
  pelt-label format num:1234.5 '#,##0.00'
  pelt-label format --locale de_DE date:2026-01-05 'dddd d. mmmm yyyy'
  pelt-label format --function FormatNumber num:-0.004 2
  pelt-label format --function FormatNumber -- num:1234.5 -1

Exit status: 0 the text was printed; 2 bad usage: a malformed VALUE,
ARGUMENT or locale, or an ARGUMENT where the function takes none.

)";

// The functions a user can try: the statements the table offers, provided
// they take at most the one ARGUMENT this command reads.
bool IsOffered(const language::StatementInfo& info) {
  return info.offer == language::StatementOffer::kOffered &&
         (info.arguments == language::StatementArguments::kNone ||
          info.arguments == language::StatementArguments::kNumber ||
          info.arguments == language::StatementArguments::kText);
}

// "Format (default), FormatCurrency, FormatNumber or Round": the default
// first, the others in table order.
std::string FunctionHelp() {
  std::string help = value::ToUtf8(language::StatementName(kDefaultFunction)) + " (default)";
  std::vector<std::u16string_view> others;
  for (const language::StatementInfo& info : language::Statements()) {
    if (IsOffered(info) && info.id != kDefaultFunction) others.push_back(info.name);
  }
  for (std::size_t i = 0; i < others.size(); ++i) {
    help += i + 1 == others.size() ? " or " : ", ";
    help += value::ToUtf8(others[i]);
  }
  return help;
}

const language::StatementInfo* FunctionNamed(std::string_view name) {
  const std::optional<language::StatementId> id = language::StatementByName(value::FromUtf8(name));
  const language::StatementInfo* info = id ? language::FindStatement(*id) : nullptr;
  return info != nullptr && IsOffered(*info) ? info : nullptr;
}

std::optional<int> ReadDecimals(std::string_view text) {
  int decimals = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(begin, end, decimals);
  if (text.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return decimals;
}

// The function's argument from the ARGUMENT operand, as a format entry holds
// it; a usage error when the operand does not fit the function.
std::optional<std::string> ReadArgument(const language::StatementInfo& function,
                                        std::optional<std::string_view> operand,
                                        language::Argument& argument) {
  switch (function.arguments) {
    case language::StatementArguments::kNone:
      if (operand) return value::ToUtf8(function.name) + " takes no ARGUMENT";
      break;
    case language::StatementArguments::kNumber: {
      const std::optional<int> decimals = operand ? ReadDecimals(*operand) : std::nullopt;
      if (!decimals) {
        return operand ? "malformed ARGUMENT '" + std::string(*operand) +
                             "': expected a number of decimals"
                       : "expects the number of decimals as ARGUMENT";
      }
      argument = std::int32_t{*decimals};
      break;
    }
    default:  // the picture; none is the empty one
      argument = value::FromUtf8(operand.value_or(""));
      break;
  }
  return std::nullopt;
}

}  // namespace

ExitCode RunFormat(std::span<const std::string_view> args, Streams& io) {
  const std::string function_help = FunctionHelp();
  const std::array options{kLocaleOption, OptionSpec{kFunctionOptionName, 'f', "F", function_help},
                           kNoWarningsOption, kHelpOption};
  ParsedArguments arguments;
  if (const auto done = ParseCommandArguments(args, {kCommand, options, kUsage}, io, arguments)) {
    return *done;
  }
  std::string error;

  const language::StatementInfo* function = language::FindStatement(kDefaultFunction);
  if (const auto name = arguments.Value(kFunctionOptionName)) {
    function = FunctionNamed(*name);
    if (function == nullptr) {
      return ReportUsage(io, kCommand, "unknown function '" + std::string(*name) + "'");
    }
  }
  const value::LocaleData* locale = &value::UserLocale();
  if (const auto id = arguments.Value(kLocaleOption.name)) {
    if (const std::string problem = LocaleProblem(*id); !problem.empty()) {
      return ReportUsage(io, kCommand, problem);
    }
    locale = &value::LocaleDataFor(*id);
  }

  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.empty() || operands.size() > 2) {
    return ReportUsage(io, kCommand,
                       "expects VALUE and at most one ARGUMENT, got " +
                           std::to_string(operands.size()) + " operands");
  }
  const std::optional<value::Variant> input = value::ParseTypedLiteral(operands[0]);
  if (!input) {
    const std::optional<std::string> meant = value::SuggestTypedLiteral(operands[0]);
    return ReportUsage(io, kCommand,
                       "malformed VALUE '" + std::string(operands[0]) + "'" +
                           (meant ? value::DidYouMean(std::array{*meant}) : std::string()));
  }
  const std::optional<std::string_view> argument =
      operands.size() == 2 ? std::optional(operands[1]) : std::nullopt;
  language::Argument first;
  if (const std::optional<std::string> fault = ReadArgument(*function, argument, first)) {
    return ReportUsage(io, kCommand, *fault);
  }
  if (evaluator::UsesLocaleCurrency(function->id, first)) {
    WarnOfMissingCurrency(io, *locale, value::ToUtf8(function->name));
  }

  if (function->id == language::StatementId::kFormat && argument) {
    if (const auto cut = warnings::PictureWarning(value::FromUtf8(*argument))) {
      ReportWarning(io, value::ToUtf8(cut->text));
    }
  }
  // As label making has it: a function that does not apply or fails leaves
  // the value as it came.
  value::Variant result = *input;
  evaluator::ApplyFormat(result, function->id, first, language::Argument(), *locale);
  std::u16string text;
  static_cast<void>(value::AppendText(result, *locale, text));  // null adds nothing
  io.out << value::ToUtf8(text) << '\n';
  return FlushStandardOutput(io);
}

}  // namespace pelt::tools
