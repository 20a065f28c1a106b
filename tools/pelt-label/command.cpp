#include "command.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "synopsis.h"

namespace pelt::tools {
namespace {

// io.err, with the transient line cleared first: where messages go.
std::ostream& MessageStream(Streams& io) {
  if (io.transient_line != nullptr) io.transient_line->Clear();
  return io.err;
}

}  // namespace

void ReportProblem(Streams& io, std::string_view message) {
  MessageStream(io) << kProgramName << ": " << message << '\n';
  io.err.flush();
}

void ReportWarning(Streams& io, std::string_view message) {
  if (!io.warnings) return;
  MessageStream(io) << kProgramName << ": warning: " << message << '\n';
  io.err.flush();
}

ExitCode ReportWriteFailure(Streams& io, std::string_view what, int error_number) {
  if (error_number == EPIPE) return ExitCode::kBrokenPipe;
  std::string message = "cannot write ";
  message += what;
  message += ": ";
  message += error_number != 0 ? std::strerror(error_number) : "the write failed";
  ReportProblem(io, message);
  return ExitCode::kFailure;
}

ExitCode ReportStreamWriteFailure(Streams& io) {
  return ReportWriteFailure(io, "standard output", errno);
}

std::optional<ExitCode> ParseCommandArguments(std::span<const std::string_view> args,
                                              const CommandSyntax& syntax, Streams& io,
                                              ParsedArguments& arguments) {
  std::string error;
  if (!ParseArguments(args, syntax.options, arguments, error)) {
    return ReportUsage(io, syntax.name, error);
  }
  io.warnings = !arguments.Has(kNoWarningsOption.name);
  if (arguments.Has(kHelpOption.name)) {
    WriteUsage(io.out, syntax.name);
    io.out << syntax.usage;
    WriteOptionHelp(io.out, syntax.options);
    return ExitCode::kOk;
  }
  return std::nullopt;
}

ExitCode ReportUsage(Streams& io, std::string_view command, std::string_view message) {
  MessageStream(io) << kProgramName << ' ' << command << ": " << message << " (see '"
                    << kProgramName << ' ' << command << " --help')\n";
  io.err.flush();
  return ExitCode::kUsage;
}

std::optional<ExitCode> ReadRecordFormat(const ParsedArguments& arguments, const OptionSpec& option,
                                         std::string_view command, Streams& io,
                                         RecordFormat& format) {
  format = RecordFormat::kText;
  const std::optional<std::string_view> name = arguments.Value(option.name);
  if (!name || *name == "text") return std::nullopt;
  if (*name == "jsonl") {
    format = RecordFormat::kJsonLines;
    return std::nullopt;
  }
  return ReportUsage(io, command,
                     "unknown format '" + std::string(*name) + "', expected text or jsonl");
}

std::optional<ExitCode> ParseRecordArguments(std::span<const std::string_view> args,
                                             const CommandSyntax& syntax, Streams& io,
                                             ParsedArguments& arguments, RecordFormat& format) {
  if (const auto done = ParseCommandArguments(args, syntax, io, arguments)) return done;
  return ReadRecordFormat(arguments, *syntax.format_option, syntax.name, io, format);
}

ExitCode FlushStandardOutput(Streams& io) {
  io.out.flush();
  if (io.out) return ExitCode::kOk;
  ReportProblem(io, "cannot write to standard output");
  return ExitCode::kFailure;
}

}  // namespace pelt::tools
