// pelt-label: label text from the records of GIS attribute tables.
//
// Every subcommand lives in its own file and is listed once in kCommands;
// the overview, the dispatch, "help COMMAND" and the suggestion for a
// misspelt command all read that list.

#include <algorithm>
#include <array>
#include <csignal>
#include <exception>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "edit_command.h"
#include "fields_command.h"
#include "format_command.h"
#include "label_command.h"
#include "layers_command.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/nearest.h"
#include "reference_help.h"
#include "verify_command.h"

namespace pelt::tools {
namespace {

ExitCode RunHelp(std::span<const std::string_view> args, Streams& io);

constexpr std::array kCommands{
    Command{"edit", "compose a label expression in the expression builder dialog", RunEdit},
    Command{"fields", "list the fields of a layer with their type codes", RunFields},
    Command{"format", "show a value through Format, FormatNumber, FormatCurrency or Round",
            RunFormat},
    Command{"help", "show a command's options, or a topic of the expression language", RunHelp},
    Command{"label", "write the label of every feature of a layer", RunLabel},
    Command{"layers", "list the layers of a source with their feature counts", RunLayers},
    Command{"verify", "verify a label expression against a layer", RunVerify},
};

const Command* FindCommand(std::string_view name) {
  const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                  [&](const Command& command) { return command.name == name; });
  return found != kCommands.end() ? &*found : nullptr;
}

// The commands nearest to a slip of a command's name.
std::vector<std::string> NearestCommands(std::string_view name) {
  std::array<std::string_view, kCommands.size()> names;
  std::transform(kCommands.begin(), kCommands.end(), names.begin(),
                 [](const Command& command) { return command.name; });
  std::vector<std::string> nearest;
  for (std::size_t i : value::NearestNames(name, names)) nearest.emplace_back(names[i]);
  return nearest;
}

ExitCode ReportUnknownCommand(Streams& io, std::string_view name) {
  ReportProblem(io, "unknown command '" + std::string(name) + "'" +
                        value::DidYouMean(NearestCommands(name)) + " (see '" +
                        std::string(kProgramName) + " --help')");
  return ExitCode::kUsage;
}

void WriteOverview(std::ostream& out) {
  out << "Usage: pelt-label COMMAND [OPTIONS] [SOURCE]\n"
         "       pelt-label --help | --version\n"
         "\n"
         "Turns the records of GIS attribute tables into label text. SOURCE is any\n"
         "vector data GDAL reads, - for standard input; without it the bundled\n"
         "sample is used. No command writes over its source or, without\n"
         "--overwrite, over an existing file.\n"
         "\n"
         "Commands:\n";
  std::size_t width = 0;
  for (const Command& command : kCommands) width = std::max(width, command.name.size());
  for (const Command& command : kCommands) {
    out << "  " << command.name << std::string(width - command.name.size() + 2, ' ')
        << command.summary << '\n';
  }
  out << "\n"
         "Run 'pelt-label COMMAND --help' for the options of a command.\n"
         "\n"
         "Exit status: 0 success; 1 the command failed while reading or writing;\n"
         "2 bad usage, or a source or layer that cannot be opened; 3 some labels\n"
         "failed; 130 interrupted by Ctrl-C (143 by SIGTERM); 141 standard output\n"
         "closed by its reader. See pelt-label(1).\n";
}

constexpr std::string_view kHelpUsage = R"(
Without an operand, lists the commands and the topics of the reference of
the label-expression language. With a COMMAND, shows its options, as
'pelt-label COMMAND --help' does; with a TOPIC, that part of the reference
(a part such as dates, or a statement such as Left, in any case), which
docs/expressions.md and the manual page pelt-expressions(7) hold whole.
A command goes first: 'help format' shows the command, 'help Format' the
statement.

)";

ExitCode RunHelp(std::span<const std::string_view> args, Streams& io) {
  constexpr std::string_view kCommand = "help";
  const std::array options{kHelpOption};
  ParsedArguments arguments;
  if (const auto done =
          ParseCommandArguments(args, {kCommand, options, kHelpUsage}, io, arguments)) {
    return *done;
  }
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.size() > 1) {
    return ReportUsage(io, kCommand, "expects one COMMAND or TOPIC at most");
  }
  if (operands.empty()) {
    WriteOverview(io.out);
    WriteHelpTopicList(io.out);
    return FlushStandardOutput(io);
  }
  const std::string_view name = operands.front();
  if (const Command* command = FindCommand(name)) {
    constexpr std::array<std::string_view, 1> kHelp{"--help"};
    return command->run(kHelp, io);
  }
  if (WriteHelpTopic(name, io.out)) return FlushStandardOutput(io);
  // A slip of a command's name is told as it always was.
  std::vector<std::string> nearest = NearestCommands(name);
  const std::vector<std::string> topics = NearestHelpTopics(name);
  if (topics.empty() && !nearest.empty()) return ReportUnknownCommand(io, name);
  nearest.insert(nearest.end(), topics.begin(), topics.end());
  ReportProblem(io, "unknown command or help topic '" + std::string(name) + "'" +
                        value::DidYouMean(nearest) + " (see '" + std::string(kProgramName) +
                        " help')");
  return ExitCode::kUsage;
}

ExitCode Dispatch(std::span<const std::string_view> args, Streams& io) {
  if (args.empty()) {
    ReportProblem(io, "no command given (see '" + std::string(kProgramName) + " --help')");
    return ExitCode::kUsage;
  }
  const std::string_view first = args.front();
  if (first == "--help" || first == "-h") {
    WriteOverview(io.out);
    return ExitCode::kOk;
  }
  if (first == "--version") {
    io.out << kProgramName << ' ' << PELT_VERSION << '\n';
    return ExitCode::kOk;
  }
  const Command* command = FindCommand(first);
  if (command == nullptr) return ReportUnknownCommand(io, first);
  return command->run(args.subspan(1), io);
}

}  // namespace
}  // namespace pelt::tools

int main(int argc, char** argv) {
  using pelt::tools::ExitCode;
  pelt::tools::Streams io{std::cout, std::cerr};
  // A reader that leaves (| head) shows as EPIPE on the next write, so that
  // the commands can stop quietly and remove what they had not finished.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    return static_cast<int>(pelt::tools::Dispatch(args, io));
  } catch (const std::exception& failure) {
    pelt::tools::ReportProblem(io, std::string("internal error: ") + failure.what());
  } catch (...) {
    pelt::tools::ReportProblem(io, "internal error");
  }
  return static_cast<int>(ExitCode::kFailure);
}
