#include "label_command.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <memory>
#include <string>

#include "interrupts.h"
#include "label_destination.h"
#include "label_input.h"
#include "label_plan.h"
#include "label_request.h"
#include "labeller.h"
#include "locale_option.h"
#include "pelt/ui/message_boxes.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "progress.h"
#include "range_labeller.h"
#include "warning_report.h"

namespace pelt::tools {
namespace {

// What a run of the labeller came to.
struct LabelTally {
  std::int64_t labelled = 0;
  std::int64_t failed = 0;
  std::string first_failure;  // "feature FID: MESSAGE" of the first failed label
  bool write_failed = false;
  bool interrupted = false;
  std::string read_failure;          // why the source stopped short, "" when it did not
  std::int64_t unread_dates = 0;     // texts a date picture showed as they are
  std::u16string first_unread_date;  // the first of them, with its feature
};

// The number of features the run will label, for the progress bar; -1 when
// the driver cannot tell.
std::int64_t ExpectedFeatures(const gdal::LayerTable& table, const LabelRequest& request) {
  if (request.fid) return 1;
  std::int64_t count = table.FeatureCount();
  if (count < 0) return -1;
  count = std::max<std::int64_t>(0, count - request.offset);
  if (request.limit >= 0) count = std::min(count, request.limit);
  return count;
}

bool Interrupted() { return InterruptGuard::Received() != 0; }

// Skips --offset features, then labels the selected ones into destination.
LabelTally RunLabelling(const LabelRequest& request, LabelInput& input,
                        LabelDestination& destination, Streams& io) {
  LabelTally tally;
  gdal::LayerTable& table = *input.table;
  gdal::FeatureCursor cursor = request.fid ? table.FeatureWithId(*request.fid) : table.Features();
  for (std::int64_t skipped = 0; skipped < request.offset; ++skipped) {
    if (Interrupted()) {
      tally.interrupted = true;
      return tally;
    }
    if (!cursor.Next()) break;
  }

  ProgressBar progress(io, request.progress ? ExpectedFeatures(table, request) : -1,
                       request.progress);
  const LabelRunOptions run{request.jobs, request.limit};
  const auto consume = [&](LabelledBatch& batch) {
    if (batch.failed > 0 && tally.failed == 0) tally.first_failure = batch.first_failure;
    tally.failed += batch.failed;
    if (batch.unread_dates > 0 && tally.unread_dates == 0) {
      tally.first_unread_date = batch.first_unread_date;
    }
    tally.unread_dates += batch.unread_dates;
    tally.labelled += static_cast<std::int64_t>(batch.labels.size());
    if (!destination.Take(batch)) {
      tally.write_failed = true;
      return false;
    }
    progress.Update(tally.labelled);
    return true;
  };
  // Labels on a stream from several jobs: each job reads ranges of the layer
  // itself where the layer allows it. A copy keeps one reader, whose
  // features it writes.
  const bool ranged = !request.fid && request.offset == 0 && request.to_path.empty() &&
                      LabelFeatureRanges(table, request.expression, input.words, run, consume,
                                         Interrupted, tally.read_failure);
  if (!ranged) {
    LabelFeatures(table, request.expression, input.words, cursor, run, consume, Interrupted);
    if (!cursor.status().ok()) tally.read_failure = value::ToUtf8(cursor.status().description());
  }
  tally.interrupted = Interrupted();
  progress.Finish(tally.labelled);
  return tally;
}

// Completes the output, or leaves nothing of it, and says how the run ended.
ExitCode ReportLabelRun(const LabelTally& tally, LabelDestination& destination, Streams& io) {
  if (tally.interrupted) {
    return InterruptGuard::Received() == SIGTERM ? ExitCode::kTerminated : ExitCode::kInterrupted;
  }
  if (!tally.write_failed && !tally.read_failure.empty()) {
    // A failed read must not leave a partial output under the final name.
    ReportProblem(io, tally.read_failure);
    return ExitCode::kFailure;
  }
  ExitCode exit_code = ExitCode::kOk;
  if (!destination.Finish(io, exit_code)) return exit_code;
  if (tally.unread_dates > 0) {
    ReportWarnings(
        io, std::array{warnings::TextNotDateWarning(tally.unread_dates, tally.first_unread_date)});
  }
  if (tally.failed > 0) {
    ReportProblem(io, std::to_string(tally.failed) + " of " + std::to_string(tally.labelled) +
                          " features could not be labelled; the first, " + tally.first_failure);
    return ExitCode::kSomeLabelsFailed;
  }
  return ExitCode::kOk;
}

}  // namespace

ExitCode RunLabel(std::span<const std::string_view> args, Streams& io) {
  LabelRequest request;
  if (const auto done = ParseLabelRequest(args, io, request)) return *done;
  LabelInput input;
  if (const auto done = OpenLabelInput(request, io, input)) return *done;

  // Boxes go to standard error, and only with --show-messages.
  ui::ConsoleMessageBoxes console(io.err);
  ui::ScopedMessageBoxes boxes(console);
  VerifiedExpression verified;
  if (const auto done = VerifyLabelExpression(request, input, io, verified)) return *done;
  if (verified.uses_currency) WarnOfMissingCurrency(io, value::UserLocale(), "the expression");
  ApplyFieldPlan(PlanFieldReads(request, verified), *input.table);

  const InterruptGuard interrupts;
  ExitCode exit_code = ExitCode::kOk;
  const std::unique_ptr<LabelDestination> destination =
      OpenLabelDestination(request, *input.table, io, exit_code);
  if (!destination) return exit_code;
  const LabelTally tally = RunLabelling(request, input, *destination, io);
  return ReportLabelRun(tally, *destination, io);
}

}  // namespace pelt::tools
