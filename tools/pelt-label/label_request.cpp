#include "label_request.h"

#include <unistd.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <limits>
#include <system_error>
#include <thread>

#include "bundled_sample.h"
#include "copy_format.h"
#include "expression_operand.h"
#include "locale_option.h"
#include "pelt/value/locale.h"
#include "source_arguments.h"
#include "terminal.h"

namespace pelt::tools {
namespace {

constexpr int kMaxJobs = 256;

constexpr OptionSpec kWhereOption{"where", 'w', "SQL",
                                  "label only the features for which the SQL condition holds"};
constexpr OptionSpec kFidOption{"fid", '\0', "N", "label only the feature whose id is N"};
constexpr OptionSpec kLimitOption{"limit", 'n', "N", "label at most N features"};
constexpr OptionSpec kOffsetOption{"offset", '\0', "N", "skip the first N features"};
constexpr OptionSpec kLocaleOption{"locale", 'L', "LOCALE",
                                   "format numbers and dates as in LOCALE (de_DE, fr-FR ...)"};
constexpr OptionSpec kSetOption{"set", 'S', "KEY=VALUE",
                                "give the reserved word $$KEY the value VALUE (repeatable)", true};
constexpr OptionSpec kFormatOption{"format", 'f', "FORMAT", "text (the default), jsonl or csv"};
constexpr OptionSpec kOutputOption{"output", 'o', "FILE",
                                   "write to FILE (a new file, or with --overwrite one replaced "
                                   "when complete) instead of standard output"};
constexpr OptionSpec kToOption{"to", 't', "OUTPUT",
                               "write a copy of the layer with the label in a new field"};
constexpr OptionSpec kFieldOption{"field", '\0', "NAME", "the new field of --to"};
constexpr OptionSpec kToFormatOption{
    "to-format", '\0', "DRIVER",
    "the GDAL driver --to writes with (default: the one of OUTPUT's extension, else GPKG)"};
constexpr OptionSpec kOverwriteOption{"overwrite", '\0', "",
                                      "let --output or --to replace an existing file"};
constexpr OptionSpec kJobsOption{"jobs", 'j', "N",
                                 "make labels on N threads (default: the number of cores)"};
constexpr OptionSpec kProgressOption{
    "progress", 'p', "",
    "show a progress bar even when standard error is no terminal or shows the labels"};
constexpr OptionSpec kQuietOption{"quiet", 'q', "",
                                  "show no progress bar, and no line naming the bundled sample"};
constexpr std::array kOptions{kLayerOption,        kOpenOption,     kWhereOption,      kFidOption,
                              kLimitOption,        kOffsetOption,   kLocaleOption,     kSetOption,
                              kShowMessagesOption, kFormatOption,   kOutputOption,     kToOption,
                              kFieldOption,        kToFormatOption, kOverwriteOption,  kJobsOption,
                              kProgressOption,     kQuietOption,    kNoWarningsOption, kHelpOption};

constexpr std::string_view kUsage = R"(
Verifies the label expression EXPR once, then writes the label of every
selected feature of the layer, in the layer's order. SOURCE is any vector
data GDAL reads (/vsizip/ and /vsicurl/ paths included), - for GeoJSON on
standard input; without it the bundled sample is labelled, which standard
error names, unless standard input is a pipe or a file (data meant as the
source: give - as SOURCE). EXPR - reads the expression from standard input.

Reserved words: $$DATE (today), $$TIME (now), $$LAYER, $$SOURCE (the file
name), $$FID, $$ROW (1-based among the labelled features), and any --set
KEY=VALUE, which wins.

text:  the label, with backslash, newline and carriage return written as
       \\, \n and \r
jsonl: {"fid": 1, "label": "..."} per line
csv:   a header fid,label, then a record per feature (RFC 4180 quoting)

--to OUTPUT --field NAME writes a copy of the layer, every field and
geometry kept, with the label in the new text field NAME, instead of
the labels, in the format of OUTPUT's extension (GPKG without one). The
copy appears under OUTPUT only when complete.

--output and --to never replace an existing file without --overwrite, and
never the source or any of its files, whatever the name they reach it by.
Devices and pipes (/dev/stdout, a FIFO) are written as they are.

Exit status: 0 every feature labelled; 1 the expression is invalid (its
message on standard error, nothing written), or reading or writing
failed; 2 bad usage, or a source or layer that cannot be opened; 3 some
labels failed (their lines are empty; the count is on standard error);
130 interrupted (Ctrl-C; 143 for SIGTERM), nothing left behind; 141
standard output was closed by its reader (| head), quietly.

)";
constexpr CommandSyntax kSyntax{kLabelCommand, kOptions, kUsage};

template <class Number>
bool ParseNumber(std::string_view text, Number low, Number high, Number& number) {
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, number);
  return !text.empty() && failure == std::errc() && stop == end && number >= low && number <= high;
}

bool ReadNumber(const ParsedArguments& arguments, const OptionSpec& option, std::int64_t low,
                std::optional<std::int64_t>& number, std::string& error) {
  const auto text = arguments.Value(option.name);
  if (!text) return true;
  std::int64_t value = 0;
  if (!ParseNumber(*text, low, std::numeric_limits<std::int64_t>::max(), value)) {
    error = "--" + std::string(option.name) + " needs a whole number" +
            (low == 0   ? " from 0"
             : low == 1 ? " from 1"
                        : "") +
            ", not '" + std::string(*text) + "'";
    return false;
  }
  number = value;
  return true;
}

int DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMaxJobs));
}

// Options that only make sense together.
bool CheckCombinations(const ParsedArguments& arguments, std::string& error) {
  const bool to = arguments.Has(kToOption.name);
  for (const OptionSpec* needs_to : {&kFieldOption, &kToFormatOption, &kOverwriteOption}) {
    const bool output_will_do = needs_to == &kOverwriteOption && arguments.Has(kOutputOption.name);
    if (!to && !output_will_do && arguments.Has(needs_to->name)) {
      error = "--" + std::string(needs_to->name) + " goes with --to";
      return false;
    }
  }
  if (to && !arguments.Has(kFieldOption.name)) {
    error = "--to needs --field NAME";
    return false;
  }
  for (const OptionSpec* stream_only : {&kOutputOption, &kFormatOption}) {
    if (to && arguments.Has(stream_only->name)) {
      error = "--" + std::string(stream_only->name) + " cannot be combined with --to";
      return false;
    }
  }
  if (arguments.Has(kFidOption.name)) {
    for (const OptionSpec* selection : {&kWhereOption, &kLimitOption, &kOffsetOption}) {
      if (arguments.Has(selection->name)) {
        error = "--fid cannot be combined with --" + std::string(selection->name);
        return false;
      }
    }
  }
  if (arguments.Has(kProgressOption.name) && arguments.Has(kQuietOption.name)) {
    error = "--progress cannot be combined with --quiet";
    return false;
  }
  return true;
}

// The options that do not depend on the source.
bool ReadOptions(const ParsedArguments& arguments, LabelRequest& request, std::string& error) {
  if (!CheckCombinations(arguments, error)) return false;
  if (const auto format = arguments.Value(kFormatOption.name)) {
    if (!ParseLabelFormat(*format, request.format)) {
      error = "unknown format '" + std::string(*format) + "', expected text, jsonl or csv";
      return false;
    }
  }
  if (const auto locale = arguments.Value(kLocaleOption.name)) {
    error = LocaleProblem(*locale);
    if (!error.empty()) return false;
    value::SetUserLocaleOverride(*locale);
  }
  request.show_messages = arguments.Has(kShowMessagesOption.name);
  if (const auto output = arguments.Value(kOutputOption.name)) request.output_path = *output;
  if (const auto to = arguments.Value(kToOption.name)) {
    request.to_path = *to;
    if (request.to_path.empty()) {
      error = "--to needs a file name";
      return false;
    }
    request.copy.text_field = *arguments.Value(kFieldOption.name);
    if (const auto driver = arguments.Value(kToFormatOption.name)) {
      request.copy.driver = *driver;
    } else if (!ChooseCopyDriver(request.to_path, request.copy.driver, error)) {
      return false;
    }
    request.copy.overwrite = arguments.Has(kOverwriteOption.name);
  }
  request.overwrite = arguments.Has(kOverwriteOption.name);
  request.quiet = arguments.Has(kQuietOption.name);
  if (const auto where = arguments.Value(kWhereOption.name)) request.where = std::string(*where);
  std::optional<std::int64_t> number;
  if (!ReadNumber(arguments, kFidOption, std::numeric_limits<std::int64_t>::min(), number, error)) {
    return false;
  }
  request.fid = number;
  number.reset();
  if (!ReadNumber(arguments, kLimitOption, 0, number, error)) return false;
  if (number) request.limit = *number;
  number.reset();
  if (!ReadNumber(arguments, kOffsetOption, 0, number, error)) return false;
  if (number) request.offset = *number;
  request.jobs = DefaultJobs();
  if (const auto jobs = arguments.Value(kJobsOption.name)) {
    if (!ParseNumber(*jobs, 1, kMaxJobs, request.jobs)) {
      error = "--jobs needs a whole number from 1 to " + std::to_string(kMaxJobs) + ", not '" +
              std::string(*jobs) + "'";
      return false;
    }
  }
  const bool labels_on_out = request.output_path.empty() && request.to_path.empty();
  request.progress = arguments.Has(kProgressOption.name) ||
                     (!arguments.Has(kQuietOption.name) &&
                      ProgressBelongsOn(STDERR_FILENO, STDOUT_FILENO, labels_on_out));
  return true;
}

// A lone operand that names a file, a folder or a GDAL virtual path was
// meant as SOURCE: labelling the sample with it as literal text would hide
// that the expression was left out.
std::optional<ExitCode> RefuseSourceWithoutExpression(std::string_view operand, Streams& io) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(operand, error);
  std::string_view kind;
  if (std::filesystem::is_directory(status)) {
    kind = "a directory";
  } else if (std::filesystem::exists(status)) {
    kind = "a file";
  } else if (operand.starts_with("/vsi")) {
    kind = "a GDAL path";
  } else {
    return std::nullopt;
  }
  const std::string quoted = "'" + std::string(operand) + "'";
  return ReportUsage(io, kLabelCommand,
                     "the expression is missing: " + quoted + " is " + std::string(kind) +
                         ", so it is the SOURCE; give EXPR after it, as in pelt-label label " +
                         quoted + " '[NAME]'");
}

}  // namespace

std::optional<ExitCode> ParseLabelRequest(std::span<const std::string_view> args, Streams& io,
                                          LabelRequest& request) {
  ParsedArguments& arguments = request.arguments;
  if (const auto done = ParseCommandArguments(args, kSyntax, io, arguments)) return *done;
  std::string error;
  if (!ReadOptions(arguments, request, error)) return ReportUsage(io, kLabelCommand, error);
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.empty() || operands.size() > 2) {
    return ReportUsage(io, kLabelCommand, "expected [SOURCE] EXPR");
  }
  if (operands.size() == 2 && operands.front() == kStandardInput && operands.back() == "-") {
    return ReportUsage(io, kLabelCommand, "SOURCE and EXPR cannot both come from standard input");
  }
  if (operands.size() == 1) {
    if (const auto done = RefuseSourceWithoutExpression(operands.front(), io)) return done;
  }
  if (!ReadExpression(operands.back(), request.expression, io)) return ExitCode::kUsage;
  if (operands.size() == 2) {
    request.source_path = std::string(operands.front());
  } else {
    const SampleChoice choice{
        .standard_input_taken = operands.back() == "-",
        .quiet = request.quiet,
        .missing_message = "no SOURCE given and the bundled sample is missing"};
    if (const auto done = ChooseBundledSample(kLabelCommand, choice, io, request.source_path)) {
      return done;
    }
  }
  request.sets = arguments.Values(kSetOption.name);
  return std::nullopt;
}

}  // namespace pelt::tools
