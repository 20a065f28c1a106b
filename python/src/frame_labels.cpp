#include "frame_labels.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <thread>

#include "pelt/errors/failure_text.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/value/text.h"

namespace pelt::python {
namespace {

// Each thread labels a stretch of rows into its own buffer.
void LabelStretch(ColumnTable& table, std::size_t first, std::size_t end,
                  const std::u16string& expression, const evaluator::CollectionRef& words,
                  Labels& out) {
  evaluator::PeltExpressionEvaluator evaluator;
  ColumnRow row(table);
  UnreadDateCount unread(out);
  out.ends.reserve(end - first);
  // Once a few labels show their length, the buffer is sized for all of
  // them, so that it is not copied over and over as it grows.
  constexpr std::size_t kSampleRows = 256;
  (void)evaluator.PrepareLabels(&table, expression, words);
  for (std::size_t i = first; i < end; ++i) {
    if (i == first + kSampleRows) {
      out.text.reserve(out.text.size() / kSampleRows * (end - first) * 9 / 8);
    }
    row.MoveTo(i);
    unread.Start(static_cast<std::int64_t>(i));
    try {
      const std::u16string_view label = evaluator.MakePreparedLabel(&row);
      // "" is a failure or an empty label; the evaluator's verdict tells.
      if (evaluator.LastCallSucceeded()) {
        out.text += label;
      } else if (out.failed++ == 0) {
        out.first_failed_row = static_cast<std::int64_t>(i);
        out.first_failure = value::ToUtf8(evaluator.Message());
      }
    } catch (const std::bad_alloc&) {
      if (out.failed++ == 0) {
        out.first_failed_row = static_cast<std::int64_t>(i);
        out.first_failure = value::ToUtf8(value::ErrorDescription(value::ErrorCode::kOutOfMemory));
      }
    } catch (...) {
      // Labels are made on worker threads, where nothing may escape: the row
      // is a failed label that names its cause.
      if (out.failed++ == 0) {
        out.first_failed_row = static_cast<std::int64_t>(i);
        out.first_failure = errors::DescribeCurrentFailure();
      }
    }
    out.ends.push_back(out.text.size());
  }
  unread.Finish();
}

}  // namespace

std::vector<Labels> LabelRows(ColumnTable& table, std::size_t first, std::size_t end,
                              const std::u16string& expression,
                              const evaluator::CollectionRef& reserved_words, int jobs) {
  // A thread is worth starting only for a few thousand rows.
  constexpr std::size_t kRowsPerThreadAtLeast = 4096;
  const std::size_t row_count = end - first;
  const std::size_t threads = std::clamp<std::size_t>(
      std::min(static_cast<std::size_t>(std::max(jobs, 1)), row_count / kRowsPerThreadAtLeast), 1,
      256);
  std::vector<Labels> parts(threads);
  std::vector<std::thread> workers;
  const std::size_t stretch = (row_count + threads - 1) / threads;
  auto label_part = [&](std::size_t t) {
    LabelStretch(table, first + std::min(row_count, t * stretch),
                 first + std::min(row_count, (t + 1) * stretch), expression, reserved_words,
                 parts[t]);
  };
  for (std::size_t t = 1; t < threads; ++t) {
    try {
      workers.emplace_back(label_part, t);
    } catch (const std::system_error&) {
      label_part(t);  // no thread to be had: this one does the stretch
    }
  }
  label_part(0);
  for (std::thread& worker : workers) worker.join();
  return parts;
}

Labels FailureSummary(const std::vector<Labels>& stretches) {
  Labels summary;
  for (const Labels& stretch : stretches) {
    if (stretch.failed > 0 && summary.failed == 0) {
      summary.first_failed_row = stretch.first_failed_row;
      summary.first_failure = stretch.first_failure;
    }
    summary.failed += stretch.failed;
    if (stretch.unread_dates > 0 && summary.unread_dates == 0) {
      summary.first_unread_row = stretch.first_unread_row;
      summary.first_unread_date = stretch.first_unread_date;
    }
    summary.unread_dates += stretch.unread_dates;
  }
  return summary;
}

}  // namespace pelt::python
