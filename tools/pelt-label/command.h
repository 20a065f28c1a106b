#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "options.h"

namespace pelt::tools {

inline constexpr std::string_view kProgramName = "pelt-label";

// The process exit status. Scripts rely on these values.
enum class ExitCode : int {
  kOk = 0,
  kFailure = 1,           // the work itself failed (a feature could not be read …)
  kUsage = 2,             // bad arguments, or a source or layer that cannot be opened
  kSomeLabelsFailed = 3,  // labels were written, but some features' labels failed
  // 128 + the signal's number, as a shell reports a program the signal ended.
  kInterrupted = 130,  // Ctrl-C (SIGINT): stopped, an unfinished output removed
  kBrokenPipe = 141,   // the reader of standard output went away (| head)
  kTerminated = 143,   // SIGTERM: as Ctrl-C
};

// A line redrawn in place on standard error while work goes on (the
// progress bar). While one shows, ReportProblem, ReportWarning and
// ReportUsage clear it before they write, so that no message starts in the
// middle of it.
class TransientLine {
 public:
  virtual ~TransientLine() = default;
  // Blanks the line and returns to its start; nothing when none shows.
  virtual void Clear() = 0;
};

// Where a command writes: its results on out, one-line problems on err.
struct Streams {
  std::ostream& out;
  std::ostream& err;
  bool warnings = true;  // false with --no-warnings
  // The line drawn on err while one shows.
  TransientLine* transient_line = nullptr;
};

// A subcommand: "pelt-label NAME ARGUMENTS…". run receives the arguments
// after the name and reports its own problems on io.err.
struct Command {
  std::string_view name;
  std::string_view summary;  // one line for the overview
  ExitCode (*run)(std::span<const std::string_view> args, Streams& io);
};

// Writes "pelt-label: MESSAGE" as one line on io.err.
void ReportProblem(Streams& io, std::string_view message);

// Writes "pelt-label: warning: MESSAGE" on io.err, unless warnings are off.
// A warning never changes standard output or the exit status.
void ReportWarning(Streams& io, std::string_view message);

// A failed write: nothing is printed for a reader that went away (a pipe
// into head), which ends with kBrokenPipe; anything else is reported as
// "cannot write WHAT: REASON" and ends with kFailure.
ExitCode ReportWriteFailure(Streams& io, std::string_view what, int error_number);

// ReportWriteFailure for standard output after io.out failed, with errno
// as the stream left it.
ExitCode ReportStreamWriteFailure(Streams& io);

// Flushes io.out at the end of a command. kOk, or kFailure after reporting
// that standard output could not be written.
ExitCode FlushStandardOutput(Streams& io);

// A subcommand's fixed parts: its name, its options and its --help text.
struct CommandSyntax {
  std::string_view name;
  std::span<const OptionSpec> options;
  // The --help text after the Usage lines, which come from kSynopses.
  std::string_view usage;
  const OptionSpec* format_option = nullptr;  // for the commands that list records
};

// Reads a command's arguments and answers --help. nullopt: the command goes
// on with `arguments`; otherwise it ends with the code returned (its help was
// printed, or a usage problem reported).
std::optional<ExitCode> ParseCommandArguments(std::span<const std::string_view> args,
                                              const CommandSyntax& syntax, Streams& io,
                                              ParsedArguments& arguments);

// How layers, fields and verify --batch write their records.
enum class RecordFormat { kText, kJsonLines };
inline constexpr OptionSpec kRecordFormatOption{"format", 'f', "FORMAT",
                                                "text (the default) or jsonl"};

// Reads the format option, text (the default) or jsonl. nullopt: format is set;
// otherwise the usage problem was reported and the command ends with it.
std::optional<ExitCode> ReadRecordFormat(const ParsedArguments& arguments, const OptionSpec& option,
                                         std::string_view command, Streams& io,
                                         RecordFormat& format);

// ParseCommandArguments, then ReadRecordFormat with syntax.format_option, for
// the commands that list records.
std::optional<ExitCode> ParseRecordArguments(std::span<const std::string_view> args,
                                             const CommandSyntax& syntax, Streams& io,
                                             ParsedArguments& arguments, RecordFormat& format);

// A usage problem of a subcommand, with the pointer to its help.
ExitCode ReportUsage(Streams& io, std::string_view command, std::string_view message);

}  // namespace pelt::tools
