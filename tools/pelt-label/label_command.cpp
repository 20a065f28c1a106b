#include "label_command.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <charconv>
#include <cstdint>
#include <ctime>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "expression_operand.h"
#include "interrupts.h"
#include "label_formats.h"
#include "labeller.h"
#include "options.h"
#include "output_sink.h"
#include "pelt/adapters/gdal/layer_copy.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "progress.h"
#include "reserved_words.h"
#include "source_arguments.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "label";
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
constexpr OptionSpec kShowMessagesOption{
    "show-messages", 's', "", "also print the message boxes verification shows, on standard error"};
constexpr OptionSpec kFormatOption{"format", 'f', "FORMAT", "text (the default), jsonl or csv"};
constexpr OptionSpec kOutputOption{"output", 'o', "FILE",
                                   "write to FILE (replaced only when complete) instead of "
                                   "standard output"};
constexpr OptionSpec kToOption{"to", 't', "OUTPUT",
                               "write a copy of the layer with the label in a new field"};
constexpr OptionSpec kFieldOption{"field", '\0', "NAME", "the new field of --to"};
constexpr OptionSpec kToFormatOption{"to-format", '\0', "DRIVER",
                                     "the GDAL driver --to writes with (default GPKG)"};
constexpr OptionSpec kOverwriteOption{"overwrite", '\0', "", "let --to replace an existing OUTPUT"};
constexpr OptionSpec kJobsOption{"jobs", 'j', "N",
                                 "make labels on N threads (default: the number of cores)"};
constexpr OptionSpec kProgressOption{"progress", 'p', "",
                                     "show a progress bar even when standard error is no terminal"};
constexpr OptionSpec kQuietOption{"quiet", 'q', "", "show no progress bar"};
constexpr std::array kOptions{kLayerOption,     kOpenOption,     kWhereOption,  kFidOption,
                              kLimitOption,     kOffsetOption,   kLocaleOption, kSetOption,
                              kShowMessagesOption, kFormatOption, kOutputOption, kToOption,
                              kFieldOption,     kToFormatOption, kOverwriteOption, kJobsOption,
                              kProgressOption,  kQuietOption,    kHelpOption};

constexpr std::string_view kUsage =
    "Usage: pelt-label label [OPTIONS] [SOURCE] EXPR\n"
    "\n"
    "Verifies the label expression EXPR once, then writes the label of every\n"
    "selected feature of the layer, in the layer's order. SOURCE is any vector\n"
    "data GDAL reads (/vsizip/ and /vsicurl/ paths included), - for GeoJSON on\n"
    "standard input; without it the bundled sample is labelled. EXPR - reads\n"
    "the expression from standard input.\n"
    "\n"
    "Reserved words: $$DATE (today), $$TIME (now), $$LAYER, $$SOURCE (the file\n"
    "name), $$FID, $$ROW (1-based among the labelled features), and any --set\n"
    "KEY=VALUE, which wins.\n"
    "\n"
    "text:  the label, with backslash, newline and carriage return written as\n"
    "       \\\\, \\n and \\r\n"
    "jsonl: {\"fid\": 1, \"label\": \"...\"} per line\n"
    "csv:   a header fid,label, then a record per feature (RFC 4180 quoting)\n"
    "\n"
    "--to OUTPUT --field NAME writes a copy of the layer, every field and\n"
    "geometry kept, with the label in the new text field NAME, instead of\n"
    "the labels. The copy appears under OUTPUT only when complete.\n"
    "\n"
    "Exit status: 0 every feature labelled; 1 the expression is invalid (its\n"
    "message on standard error, nothing written), or reading or writing\n"
    "failed; 2 bad usage, or a source or layer that cannot be opened; 3 some\n"
    "labels failed (their lines are empty; the count is on standard error);\n"
    "130 interrupted (Ctrl-C; 143 for SIGTERM), nothing left behind; 141\n"
    "standard output was closed by its reader (| head), quietly.\n"
    "\n";

// The options that do not depend on the source.
struct LabelSettings {
  LabelFormat format = LabelFormat::kText;
  bool show_messages = false;
  std::string output_path;
  std::string to_path;  // --to; empty for labels on a stream
  gdal::CopyOptions copy;
  std::optional<std::string> where;
  std::optional<std::int64_t> fid;
  std::int64_t limit = -1;
  std::int64_t offset = 0;
  int jobs = 1;
  bool progress = false;
};

template <class Number>
bool ParseNumber(std::string_view text, Number low, Number high, Number& number) {
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, number);
  return !text.empty() && failure == std::errc() && stop == end && number >= low &&
         number <= high;
}

bool ReadNumber(const ParsedArguments& arguments, const OptionSpec& option, std::int64_t low,
                std::optional<std::int64_t>& number, std::string& error) {
  const auto text = arguments.Value(option.name);
  if (!text) return true;
  std::int64_t value = 0;
  if (!ParseNumber(*text, low, std::numeric_limits<std::int64_t>::max(), value)) {
    error = "--" + std::string(option.name) + " needs a whole number" +
            (low == 0 ? " from 0" : low == 1 ? " from 1" : "") + ", not '" + std::string(*text) +
            "'";
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
    if (!to && arguments.Has(needs_to->name)) {
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

bool ReadSettings(const ParsedArguments& arguments, LabelSettings& settings, std::string& error) {
  if (!CheckCombinations(arguments, error)) return false;
  if (const auto format = arguments.Value(kFormatOption.name)) {
    if (!ParseLabelFormat(*format, settings.format)) {
      error = "unknown format '" + std::string(*format) + "', expected text, jsonl or csv";
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
  if (const auto to = arguments.Value(kToOption.name)) {
    settings.to_path = *to;
    if (settings.to_path.empty()) {
      error = "--to needs a file name";
      return false;
    }
    settings.copy.text_field = *arguments.Value(kFieldOption.name);
    if (const auto driver = arguments.Value(kToFormatOption.name)) settings.copy.driver = *driver;
    settings.copy.overwrite = arguments.Has(kOverwriteOption.name);
  }
  if (const auto where = arguments.Value(kWhereOption.name)) settings.where = std::string(*where);
  std::optional<std::int64_t> number;
  if (!ReadNumber(arguments, kFidOption, std::numeric_limits<std::int64_t>::min(), number, error)) {
    return false;
  }
  settings.fid = number;
  number.reset();
  if (!ReadNumber(arguments, kLimitOption, 0, number, error)) return false;
  if (number) settings.limit = *number;
  number.reset();
  if (!ReadNumber(arguments, kOffsetOption, 0, number, error)) return false;
  if (number) settings.offset = *number;
  settings.jobs = DefaultJobs();
  if (const auto jobs = arguments.Value(kJobsOption.name)) {
    if (!ParseNumber(*jobs, 1, kMaxJobs, settings.jobs)) {
      error = "--jobs needs a whole number from 1 to " + std::to_string(kMaxJobs) + ", not '" +
              std::string(*jobs) + "'";
      return false;
    }
  }
  settings.progress = arguments.Has(kProgressOption.name) ||
                      (!arguments.Has(kQuietOption.name) && ::isatty(STDERR_FILENO) == 1);
  return true;
}

// The number of features the run will label, for the progress bar; -1 when
// the driver cannot tell.
std::int64_t ExpectedFeatures(const gdal::LayerTable& table, const LabelSettings& settings) {
  if (settings.fid) return 1;
  std::int64_t count = table.FeatureCount();
  if (count < 0) return -1;
  count = std::max<std::int64_t>(0, count - settings.offset);
  if (settings.limit >= 0) count = std::min(count, settings.limit);
  return count;
}

// Where the labels go: a stream of records or a copy of the layer.
class LabelDestination {
 public:
  virtual ~LabelDestination() = default;
  // False when writing failed; the caller then asks Finish for the reason.
  virtual bool Take(LabelledBatch& batch) = 0;
  // Completes the output. exit_code is set for a failure, which is reported
  // on io.err unless it is a reader that went away.
  virtual bool Finish(Streams& io, ExitCode& exit_code) = 0;
};

class StreamDestination final : public LabelDestination {
 public:
  explicit StreamDestination(LabelFormat format) : format_(format) {}

  bool Open(const std::string& path, Streams& io) {
    std::string error;
    if (!sink_.Open(path, error)) {
      ReportProblem(io, error);
      return false;
    }
    AppendHeader(format_, line_);
    sink_.Write(line_);
    return true;
  }

  bool Take(LabelledBatch& batch) override {
    for (std::size_t i = 0; i < batch.labels.size(); ++i) {
      line_.clear();
      AppendRecord(format_, batch.features.fid(i), batch.labels[i], line_);
      sink_.Write(line_);
    }
    return sink_.write_error() == 0;
  }

  bool Finish(Streams& io, ExitCode& exit_code) override {
    std::string error;
    if (sink_.Finish(error)) return true;
    exit_code = sink_.write_error() == EPIPE ? ExitCode::kBrokenPipe : ExitCode::kFailure;
    if (exit_code == ExitCode::kFailure) ReportProblem(io, error);
    return false;
  }

 private:
  LabelFormat format_;
  OutputSink sink_;
  std::string line_;
};

class CopyDestination final : public LabelDestination {
 public:
  bool Open(gdal::LayerTable& table, const LabelSettings& settings, Streams& io,
            ExitCode& exit_code) {
    gdal::CopyError error;
    copy_ = gdal::LayerCopy::Create(table, settings.to_path, settings.copy, error);
    if (copy_) return true;
    std::string message = error.message;
    switch (error.kind) {
      case gdal::CopyErrorKind::kOutputExists: message += " (use --overwrite to replace it)"; break;
      case gdal::CopyErrorKind::kFieldExists: message += " (choose another --field)"; break;
      default: break;
    }
    ReportProblem(io, message);
    exit_code = error.kind == gdal::CopyErrorKind::kWriteFailed ? ExitCode::kFailure
                                                                : ExitCode::kUsage;
    return false;
  }

  bool Take(LabelledBatch& batch) override {
    for (std::size_t i = 0; i < batch.labels.size(); ++i) {
      if (!copy_->Add(batch.features, i, batch.labels[i], error_)) return false;
    }
    return true;
  }

  bool Finish(Streams& io, ExitCode& exit_code) override {
    if (error_.message.empty() && copy_->Commit(error_)) return true;
    ReportProblem(io, error_.message);
    exit_code = ExitCode::kFailure;
    return false;
  }

 private:
  std::unique_ptr<gdal::LayerCopy> copy_;
  gdal::CopyError error_;
};

// Adds the identifiers of an SQL condition, bare or in double quotes, to
// names. Words that are no field (keywords, functions) are harmless there.
void AddConditionWords(std::string_view condition, std::vector<std::u16string>& names) {
  auto is_word = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           c == '_' || static_cast<unsigned char>(c) >= 0x80;
  };
  std::size_t i = 0;
  while (i < condition.size()) {
    if (condition[i] == '"') {
      const std::size_t close = condition.find('"', i + 1);
      if (close == std::string_view::npos) return;
      names.push_back(value::FromUtf8(condition.substr(i + 1, close - i - 1)));
      i = close + 1;
    } else if (condition[i] == '\'') {
      const std::size_t close = condition.find('\'', i + 1);  // a string literal: no names
      if (close == std::string_view::npos) return;
      i = close + 1;
    } else if (is_word(condition[i])) {
      const std::size_t start = i;
      while (i < condition.size() && is_word(condition[i])) ++i;
      names.push_back(value::FromUtf8(condition.substr(start, i - start)));
    } else {
      ++i;
    }
  }
}

ExitCode InterruptedExit() {
  return InterruptGuard::Received() == SIGTERM ? ExitCode::kTerminated : ExitCode::kInterrupted;
}

}  // namespace

ExitCode RunLabel(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  if (const auto done = ParseCommandArguments(args, kOptions, kCommand, kUsage, io, arguments)) {
    return *done;
  }
  std::string error;
  LabelSettings settings;
  if (!ReadSettings(arguments, settings, error)) return ReportUsage(io, kCommand, error);
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.empty() || operands.size() > 2) {
    return ReportUsage(io, kCommand, "expected [SOURCE] EXPR");
  }
  if (operands.size() == 2 && operands.front() == kStandardInput && operands.back() == "-") {
    return ReportUsage(io, kCommand, "SOURCE and EXPR cannot both come from standard input");
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
  if (settings.where) {
    const host::Status status = table->SetAttributeFilter(*settings.where);
    if (!status.ok()) {
      return ReportUsage(io, kCommand,
                         "--where '" + *settings.where +
                             "' is refused: " + value::ToUtf8(status.description()));
    }
  }

  ReservedWordInputs inputs{table->name(), source_path, arguments.Values(kSetOption.name),
                            std::time(nullptr)};
  {
    ReservedWordValues words;
    if (!words.Build(inputs.layer, inputs.source_path, inputs.sets, inputs.now, error)) {
      return ReportUsage(io, kCommand, error);
    }
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

  // Only the fields the expression names are decoded from the source; a
  // copy of the layer needs them all.
  if (settings.to_path.empty()) {
    std::vector<std::u16string> used_fields;
    for (const language::Token& token : evaluator.Tokens()) {
      if (token.kind == language::TokenKind::kField) used_fields.push_back(token.text);
    }
    // The filter is evaluated by GDAL on the fields it reads, so every word of
    // the condition that names a field is read too.
    if (settings.where) AddConditionWords(*settings.where, used_fields);
    if (used_fields.empty()) used_fields.push_back(u"");  // no field at all: skip them all
    (void)table->ReadOnlyFields(used_fields);
  }

  const InterruptGuard interrupts;
  std::unique_ptr<LabelDestination> destination;
  if (settings.to_path.empty()) {
    auto stream = std::make_unique<StreamDestination>(settings.format);
    if (!stream->Open(settings.output_path, io)) return ExitCode::kFailure;
    destination = std::move(stream);
  } else {
    auto copy = std::make_unique<CopyDestination>();
    if (!copy->Open(*table, settings, io, exit_code)) return exit_code;
    destination = std::move(copy);
  }

  gdal::FeatureCursor cursor = settings.fid ? table->FeatureWithId(*settings.fid)
                                            : table->Features();
  for (std::int64_t skipped = 0; skipped < settings.offset; ++skipped) {
    if (InterruptGuard::Received() != 0) return InterruptedExit();
    if (!cursor.Next()) break;
  }

  ProgressBar progress(io.err, settings.progress ? ExpectedFeatures(*table, settings) : -1,
                       settings.progress);
  std::int64_t labelled = 0;
  std::int64_t failed = 0;
  std::string first_failure;
  bool write_failed = false;
  const LabelRunOptions run{settings.jobs, settings.limit};
  LabelFeatures(
      *table, expression, inputs, cursor, run,
      [&](LabelledBatch& batch) {
        if (batch.failed > 0 && failed == 0) first_failure = batch.first_failure;
        failed += batch.failed;
        labelled += static_cast<std::int64_t>(batch.labels.size());
        if (!destination->Take(batch)) {
          write_failed = true;
          return false;
        }
        progress.Update(labelled);
        return true;
      },
      [] { return InterruptGuard::Received() != 0; });

  if (InterruptGuard::Received() != 0) {
    progress.Finish(labelled);
    return InterruptedExit();
  }
  progress.Finish(labelled);
  if (!write_failed && !cursor.status().ok()) {
    // A failed read must not leave a partial output under the final name.
    const std::string reason = value::ToUtf8(cursor.status().description());
    ReportProblem(io, reason);
    return ExitCode::kFailure;
  }
  if (!destination->Finish(io, exit_code)) return exit_code;
  if (failed > 0) {
    ReportProblem(io, std::to_string(failed) + " of " + std::to_string(labelled) +
                          " features could not be labelled; the first, " + first_failure);
    return ExitCode::kSomeLabelsFailed;
  }
  return ExitCode::kOk;
}

}  // namespace pelt::tools
