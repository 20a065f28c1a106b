#include "verify_command.h"

#include <array>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "expression_operand.h"
#include "options.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"
#include "source_arguments.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "verify";

constexpr OptionSpec kShowMessagesOption{
    "show-messages", 's', "", "also print the message boxes verification shows, on standard error"};
constexpr OptionSpec kNoTableOption{
    "no-table", 'n', "", "verify without a table (SOURCE is then not given)"};
constexpr std::array kOptions{kLayerOption, kShowMessagesOption, kNoTableOption, kHelpOption};

constexpr std::string_view kUsage =
    "Usage: pelt-label verify [--layer NAME] [--show-messages] SOURCE EXPR\n"
    "       pelt-label verify [--show-messages] --no-table EXPR\n"
    "\n"
    "Verifies the label expression EXPR against a layer of SOURCE (any vector\n"
    "data GDAL reads) and prints the verdict's message on standard output.\n"
    "EXPR - reads the expression from standard input as UTF-8; one line ending\n"
    "at its very end is not part of the expression. Without a table, only\n"
    "expressions without fields are valid.\n"
    "\n"
    "Exit status: 0 the expression is valid; 1 it is not; 2 bad usage, or a\n"
    "source, layer or standard input that cannot be read.\n"
    "\n";

}  // namespace

ExitCode RunVerify(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  std::string error;
  if (!ParseArguments(args, kOptions, arguments, error)) return ReportUsage(io, kCommand, error);
  if (arguments.Has(kHelpOption.name)) {
    io.out << kUsage;
    WriteOptionHelp(io.out, kOptions);
    return ExitCode::kOk;
  }

  const bool no_table = arguments.Has(kNoTableOption.name);
  const std::vector<std::string_view>& operands = arguments.operands();
  const std::size_t expected = no_table ? 1 : 2;
  if (no_table && arguments.Has(kLayerOption.name)) {
    return ReportUsage(io, kCommand, "--layer cannot be combined with --no-table");
  }
  if (operands.size() != expected) {
    return ReportUsage(io, kCommand,
                       std::string(no_table ? "expects EXPR" : "expects SOURCE and EXPR") +
                           ", got " + std::to_string(operands.size()) + " operand" +
                           (operands.size() == 1 ? "" : "s"));
  }

  std::unique_ptr<gdal::LayerTable> table;
  if (!no_table) {
    ExitCode exit_code = ExitCode::kOk;
    table = OpenSourceLayer(std::string(operands.front()), arguments, io, exit_code);
    if (!table) return exit_code;
  }
  std::u16string expression;
  if (!ReadExpression(operands.back(), expression, io)) return ExitCode::kUsage;

  ui::ConsoleMessageBoxes boxes(io.err);
  ui::ScopedMessageBoxes scope(boxes);
  evaluator::PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(arguments.Has(kShowMessagesOption.name) ? evaluator::kTrue
                                                                 : evaluator::kFalse);
  const evaluator::Boolean valid = evaluator.VerifyExpression(table.get(), expression);
  io.out << value::ToUtf8(evaluator.Message()) << '\n';
  io.out.flush();
  if (!io.out) {
    ReportProblem(io, "cannot write to standard output");
    return ExitCode::kFailure;
  }
  return valid == evaluator::kTrue ? ExitCode::kOk : ExitCode::kFailure;
}

}  // namespace pelt::tools
