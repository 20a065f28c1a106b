#include "verify_command.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "expression_operand.h"
#include "json_text.h"
#include "label_formats.h"
#include "options.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/text.h"
#include "source_arguments.h"
#include "warning_report.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "verify";

constexpr OptionSpec kNoTableOption{"no-table", 'n', "",
                                    "verify without a table (SOURCE is then not given)"};
constexpr OptionSpec kBatchOption{"batch", 'b', "FILE",
                                  "verify every line of FILE (- for standard input) as an "
                                  "expression"};
constexpr OptionSpec kFormatOption{"format", 'f', "FORMAT",
                                   "with --batch: text (the default) or jsonl"};
constexpr std::array kOptions{kLayerOption, kOpenOption,   kShowMessagesOption, kNoTableOption,
                              kBatchOption, kFormatOption, kNoWarningsOption,   kHelpOption};

constexpr std::string_view kUsage =
    R"(
Verifies the label expression EXPR against a layer of SOURCE (any vector
data GDAL reads) and prints the verdict's message on standard output.
EXPR - reads the expression from standard input as UTF-8; one line ending
at its very end is not part of the expression. Without a table, only
expressions without fields are valid.

--batch verifies each line of FILE as one expression and prints a line
per expression: text: the line number, a tab, valid or invalid, a tab,
the message (newlines written as \n, backslashes as \\); jsonl:
{"line": 1, "valid": true, "message": "..."}.

Exit status: 0 the expression is valid (with --batch: all of them); 1 it
is not (any of them), or the output could not be written; 2 bad usage,
or a source, layer, FILE or standard input that cannot be read.

)";
constexpr CommandSyntax kSyntax{kCommand, kOptions, kUsage};

// Reads the expressions of --batch: one per line, a line ending of either
// kind removed, no line after a final line ending.
bool ReadBatch(std::string_view path, std::vector<std::string>& lines, Streams& io) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    file.open(std::string(path), std::ios::binary);
    if (!file) {
      ReportProblem(io, "cannot read '" + std::string(path) + "': " + std::strerror(errno));
      return false;
    }
    in = &file;
  }
  std::string line;
  while (std::getline(*in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (in->bad()) {
    ReportProblem(io, "cannot read '" + std::string(path) + "'");
    return false;
  }
  return true;
}

ExitCode VerifyBatch(const ParsedArguments& arguments, Streams& io) {
  RecordFormat format = RecordFormat::kText;
  if (const auto done = ReadRecordFormat(arguments, kFormatOption, kCommand, io, format)) {
    return *done;
  }
  const bool jsonl = format == RecordFormat::kJsonLines;
  if (arguments.Has(kNoTableOption.name)) {
    return ReportUsage(io, kCommand, "--batch cannot be combined with --no-table");
  }
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.size() != 1) {
    return ReportUsage(
        io, kCommand,
        "with --batch expects SOURCE, got " + std::to_string(operands.size()) + " operands");
  }
  const std::string_view batch_path = *arguments.Value(kBatchOption.name);
  if (batch_path == "-" && operands.front() == "-") {
    return ReportUsage(io, kCommand, "SOURCE and FILE cannot both come from standard input");
  }
  ExitCode exit_code = ExitCode::kOk;
  const std::unique_ptr<gdal::LayerTable> table =
      OpenSourceLayer(std::string(operands.front()), arguments, io, exit_code);
  if (!table) return exit_code;
  std::vector<std::string> lines;
  if (!ReadBatch(batch_path, lines, io)) return ExitCode::kUsage;

  ui::ConsoleMessageBoxes boxes(io.err);
  ui::ScopedMessageBoxes scope(boxes);
  evaluator::PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(evaluator::ToBoolean(arguments.Has(kShowMessagesOption.name)));
  bool all_valid = true;
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const bool valid =
        evaluator.VerifyExpression(table.get(), value::FromUtf8(lines[i])) != evaluator::kFalse;
    all_valid = all_valid && valid;
    const std::string message = value::ToUtf8(evaluator.Message());
    out.clear();
    if (jsonl) {
      out += "{\"line\": " + std::to_string(i + 1) + ", \"valid\": ";
      out += valid ? "true" : "false";
      out += ", \"message\": ";
      AppendJsonString(out, message);
      out += "}\n";
    } else {
      out += std::to_string(i + 1) + (valid ? "\tvalid\t" : "\tinvalid\t");
      AppendOnOneLine(message, out);
      out += '\n';
    }
    io.out << out;
    if (!io.out) return ReportStreamWriteFailure(io);
    const std::vector<warnings::Warning> found =
        CommandWarnings(io, value::FromUtf8(lines[i]), evaluator, table.get(), std::nullopt);
    if (!found.empty()) {
      io.out.flush();  // each line's warnings beside its verdict on a terminal
      ReportWarnings(io, found, "line " + std::to_string(i + 1) + ": ");
    }
  }
  io.out.flush();
  if (!io.out) return ReportStreamWriteFailure(io);
  return all_valid ? ExitCode::kOk : ExitCode::kFailure;
}

}  // namespace

ExitCode RunVerify(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  if (const auto done = ParseCommandArguments(args, kSyntax, io, arguments)) return *done;
  std::string error;

  if (arguments.Has(kBatchOption.name)) return VerifyBatch(arguments, io);
  if (arguments.Has(kFormatOption.name)) {
    return ReportUsage(io, kCommand, "--format goes with --batch");
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
  if (FlushStandardOutput(io) != ExitCode::kOk) return ExitCode::kFailure;
  // Verification alone knows no run: reserved words are not checked.
  ReportWarnings(io, CommandWarnings(io, expression, evaluator, table.get(), std::nullopt));
  return valid == evaluator::kTrue ? ExitCode::kOk : ExitCode::kFailure;
}

}  // namespace pelt::tools
