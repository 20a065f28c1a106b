#include "command.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace pelt::tools {

void ReportProblem(Streams& io, std::string_view message) {
  io.err << kProgramName << ": " << message << '\n';
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
                                              std::span<const OptionSpec> option_specs,
                                              std::string_view command, std::string_view usage,
                                              Streams& io, ParsedArguments& arguments) {
  std::string error;
  if (!ParseArguments(args, option_specs, arguments, error)) return ReportUsage(io, command, error);
  if (arguments.Has(kHelpOption.name)) {
    io.out << usage;
    WriteOptionHelp(io.out, option_specs);
    return ExitCode::kOk;
  }
  return std::nullopt;
}

ExitCode ReportUsage(Streams& io, std::string_view command, std::string_view message) {
  io.err << kProgramName << ' ' << command << ": " << message << " (see '" << kProgramName << ' '
         << command << " --help')\n";
  io.err.flush();
  return ExitCode::kUsage;
}

}  // namespace pelt::tools
