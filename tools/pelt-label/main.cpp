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
#include "verify_command.h"

namespace pelt::tools {
namespace {

constexpr std::array kCommands{
    Command{"edit", "compose a label expression in the expression builder dialog", RunEdit},
    Command{"fields", "list the fields of a layer with their type codes", RunFields},
    Command{"format", "show a value through Format, FormatNumber, FormatCurrency or Round",
            RunFormat},
    Command{"label", "write the label of every feature of a layer", RunLabel},
    Command{"layers", "list the layers of a source with their feature counts", RunLayers},
    Command{"verify", "verify a label expression against a layer", RunVerify},
};

const Command* FindCommand(std::string_view name) {
  const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                  [&](const Command& command) { return command.name == name; });
  return found != kCommands.end() ? &*found : nullptr;
}

// "; did you mean 'label'?" for a slip of a command's name, or "".
std::string NearestCommands(std::string_view name) {
  std::array<std::string_view, kCommands.size()> names;
  std::transform(kCommands.begin(), kCommands.end(), names.begin(),
                 [](const Command& command) { return command.name; });
  std::vector<std::string> nearest;
  for (std::size_t i : value::NearestNames(name, names)) nearest.emplace_back(names[i]);
  return value::DidYouMean(nearest);
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
  if (first == "help") {
    if (args.size() == 1) {
      WriteOverview(io.out);
      return ExitCode::kOk;
    }
    if (const Command* command = FindCommand(args[1])) {
      constexpr std::array<std::string_view, 1> kHelp{"--help"};
      return command->run(kHelp, io);
    }
  }
  const std::string_view name = first == "help" ? args[1] : first;
  const Command* command = FindCommand(name);
  if (command == nullptr) {
    ReportProblem(io, "unknown command '" + std::string(name) + "'" + NearestCommands(name) +
                          " (see '" + std::string(kProgramName) + " --help')");
    return ExitCode::kUsage;
  }
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
