#include "label_command.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "expression_operand.h"
#include "json_text.h"
#include "options.h"
#include "output_sink.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "reserved_words.h"
#include "source_arguments.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "label";

constexpr OptionSpec kLocaleOption{"locale", 'L', "LOCALE",
                                   "format numbers and dates as in LOCALE (de_DE, fr-FR ...)"};
constexpr OptionSpec kSetOption{"set", 'S', "KEY=VALUE",
                                "give the reserved word $$KEY the value VALUE (repeatable)", true};
constexpr OptionSpec kShowMessagesOption{
    "show-messages", 's', "", "also print the message boxes verification shows, on standard error"};
constexpr OptionSpec kFormatOption{"format", 'f', "FORMAT", "text (the default) or jsonl"};
constexpr OptionSpec kOutputOption{"output", 'o', "FILE",
                                   "write to FILE (replaced only when complete) instead of "
                                   "standard output"};
constexpr std::array kOptions{kLayerOption,  kLocaleOption, kSetOption, kShowMessagesOption,
                              kFormatOption, kOutputOption, kHelpOption};

constexpr std::string_view kUsage =
    "Usage: pelt-label label [OPTIONS] [SOURCE] EXPR\n"
    "\n"
    "Verifies the label expression EXPR once, then writes the label of every\n"
    "feature of the layer, in the layer's order, one per line. SOURCE is any\n"
    "vector data GDAL reads; without it the bundled sample is labelled. EXPR -\n"
    "reads the expression from standard input.\n"
    "\n"
    "Reserved words: $$DATE (today), $$TIME (now), $$LAYER, $$SOURCE (the file\n"
    "name), $$FID and $$ROW (1-based), and any --set KEY=VALUE, which wins.\n"
    "\n"
    "text:  the label, with backslash, newline and carriage return written as\n"
    "       \\\\, \\n and \\r\n"
    "jsonl: {\"fid\": 1, \"label\": \"...\"} per line\n"
    "\n"
    "Exit status: 0 every feature labelled; 1 the expression is invalid (its\n"
    "message on standard error, nothing written) or the output could not be\n"
    "written; 2 bad usage, or a source or layer that cannot be opened; 3 some\n"
    "labels failed (their lines are empty; the count is on standard error).\n"
    "\n";

enum class OutputFormat { kText, kJsonLines };

void AppendTextLine(std::string& line, std::string_view label) {
  for (char c : label) {
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      default: line += c;
    }
  }
  line += '\n';
}

void AppendJsonLine(std::string& line, std::int64_t fid, std::string_view label) {
  line += "{\"fid\": ";
  line += std::to_string(fid);
  line += ", \"label\": ";
  AppendJsonString(line, label);
  line += "}\n";
}

// The options that do not depend on the source.
struct LabelSettings {
  OutputFormat format = OutputFormat::kText;
  bool show_messages = false;
  std::string output_path;
};

bool ReadSettings(const ParsedArguments& arguments, LabelSettings& settings, std::string& error) {
  if (const auto format = arguments.Value(kFormatOption.name)) {
    if (*format == "jsonl") {
      settings.format = OutputFormat::kJsonLines;
    } else if (*format != "text") {
      error = "unknown format '" + std::string(*format) + "', expected text or jsonl";
      return false;
    }
  }
  if (const auto locale = arguments.Value(kLocaleOption.name)) {
    if (!value::IsKnownLocale(*locale)) {
      error = "unknown locale '" + std::string(*locale) + "'";
      return false;
    }
    value::SetUserLocaleOverride(*locale);
  }
  settings.show_messages = arguments.Has(kShowMessagesOption.name);
  if (const auto output = arguments.Value(kOutputOption.name)) settings.output_path = *output;
  return true;
}

}  // namespace

ExitCode RunLabel(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  std::string error;
  if (!ParseArguments(args, kOptions, arguments, error)) return ReportUsage(io, kCommand, error);
  if (arguments.Has(kHelpOption.name)) {
    io.out << kUsage;
    WriteOptionHelp(io.out, kOptions);
    return ExitCode::kOk;
  }
  LabelSettings settings;
  if (!ReadSettings(arguments, settings, error)) return ReportUsage(io, kCommand, error);
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.empty() || operands.size() > 2) {
    return ReportUsage(io, kCommand, "expected [SOURCE] EXPR");
  }

  std::u16string expression;
  if (!ReadExpression(operands.back(), expression, io)) return ExitCode::kUsage;

  ExitCode exit_code = ExitCode::kOk;
  std::string source_path;
  if (operands.size() == 2) {
    source_path = std::string(operands.front());
  } else if (const auto sample = BundledSamplePath()) {
    source_path = *sample;
  } else {
    ReportProblem(io, "no SOURCE given and the bundled sample is missing");
    return ExitCode::kUsage;
  }
  const std::unique_ptr<gdal::LayerTable> table =
      OpenSourceLayer(source_path, arguments, io, exit_code);
  if (!table) return exit_code;

  ReservedWordValues words;
  if (!words.Build(table->name(), source_path, arguments.Values(kSetOption.name), error)) {
    return ReportUsage(io, kCommand, error);
  }

  // Boxes go to standard error, and only with --show-messages.
  ui::ConsoleMessageBoxes console(io.err);
  ui::ScopedMessageBoxes boxes(console);
  evaluator::PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(evaluator::ToBoolean(settings.show_messages));
  if (evaluator.VerifyExpression(table.get(), expression) == evaluator::kFalse) {
    ReportProblem(io, value::ToUtf8(evaluator.Message()));
    return ExitCode::kFailure;
  }

  // Only the fields the expression names are decoded from the source.
  std::vector<std::u16string> used_fields;
  for (const language::Token& token : evaluator.Tokens()) {
    if (token.kind == language::TokenKind::kField) used_fields.push_back(token.text);
  }
  if (used_fields.empty()) used_fields.push_back(u"");  // no field at all: skip them all
  (void)table->ReadOnlyFields(used_fields);

  OutputSink sink;
  if (!sink.Open(settings.output_path, error)) {
    ReportProblem(io, error);
    return ExitCode::kFailure;
  }

  std::int64_t row = 0;
  std::int64_t failed = 0;
  std::string first_failure;
  std::string label;
  std::string line;
  gdal::FeatureCursor cursor = table->Features();
  while (cursor.Next()) {
    ++row;
    words.SetFeature(cursor.fid(), row);
    const std::u16string made =
        evaluator.MakeLabel(table.get(), &cursor.row(), expression, words.collection());
    label = made.empty() ? std::string() : value::ToUtf8(made);
    // MakeLabel gives "" for a failure and for an empty label alike; the
    // evaluator's verdict tells them apart.
    if (!evaluator.LastCallSucceeded()) {
      if (failed++ == 0) {
        first_failure = "feature " + std::to_string(cursor.fid()) + ": " +
                        value::ToUtf8(evaluator.Message());
      }
    }
    line.clear();
    if (settings.format == OutputFormat::kText) {
      AppendTextLine(line, label);
    } else {
      AppendJsonLine(line, cursor.fid(), label);
    }
    sink.Write(line);
  }
  if (!cursor.status().ok()) {
    ReportProblem(io, "reading layer '" + table->name() +
                          "' failed: " + value::ToUtf8(cursor.status().description()));
    exit_code = ExitCode::kFailure;
  }
  if (!sink.Finish(error)) {
    ReportProblem(io, error);
    return ExitCode::kFailure;
  }
  if (failed > 0) {
    ReportProblem(io, std::to_string(failed) + " of " + std::to_string(row) +
                          " features could not be labelled; the first, " + first_failure);
    if (exit_code == ExitCode::kOk) exit_code = ExitCode::kSomeLabelsFailed;
  }
  return exit_code;
}

}  // namespace pelt::tools
