#include "range_labeller.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "pelt/errors/failure_text.h"
#include "pelt/value/text.h"

namespace pelt::tools {
namespace {

// One range of ids, read and labelled by one thread into its batches.
struct Range {
  std::vector<LabelledBatch> batches;
  std::size_t filled = 0;  // batches holding features
  std::int64_t count = 0;  // features read
  std::string read_failure;
};

// Per range index: what the threads and the consumer tell each other.
struct RangeProgress {
  std::int64_t count = -1;      // features read, once read
  std::int64_t first_row = -1;  // $$ROW of its first feature, once the ranges before are read
  bool labelled = false;
};

class RangeRun {
 public:
  RangeRun(std::int64_t first_id, std::int64_t last_id, std::int64_t ids_per_range,
           std::int64_t range_count, bool label_while_reading, const std::u16string& expression,
           const ReservedWordInputs& words, const LabelRunOptions& options)
      : first_id_(first_id),
        last_id_(last_id),
        progress_(static_cast<std::size_t>(range_count)),
        slots_(static_cast<std::size_t>(options.jobs) * 2),
        ranges_(slots_),
        batch_size_(std::max<std::size_t>(options.batch_size, 1)),
        ids_per_range_(ids_per_range),
        limit_(options.limit),
        label_while_reading_(label_while_reading),
        expression_(expression),
        words_(words) {}

  ~RangeRun() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  RangeRun(const RangeRun&) = delete;
  RangeRun& operator=(const RangeRun&) = delete;

  // Starts a job reading through table, which nothing else reads meanwhile;
  // false when no thread could be started for it.
  bool AddJob(gdal::LayerTable& table) {
    try {
      threads_.emplace_back([this, &table] { Work(table); });
      return true;
    } catch (...) {
      return false;
    }
  }

  // Starts jobs for the source opened again, up to jobs in all, while the
  // jobs started already read; one that cannot be opened or started leaves
  // the ranges to the others.
  void AddJobsOpening(const gdal::LayerTable& table, int jobs) {
    try {
      others_.reserve(static_cast<std::size_t>(jobs));
      while (threads_.size() < static_cast<std::size_t>(jobs)) {
        std::unique_ptr<gdal::LayerTable> reader = table.OpenAnotherReader();
        if (!reader) return;
        others_.push_back(std::move(reader));
        if (!AddJob(*others_.back())) return;
      }
    } catch (const std::bad_alloc&) {
      // No memory for another reader: the jobs started already read every
      // range.
    }
  }

  LabelRunEnd Consume(const std::function<bool(LabelledBatch&)>& consume,
                      const std::function<bool()>& should_stop, std::string& read_failure) {
    std::int64_t remaining = limit_;
    if (remaining == 0) return LabelRunEnd::kFinished;
    for (std::size_t index = 0; index < progress_.size(); ++index) {
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return progress_[index].labelled; });
      }
      Range& range = RangeAt(index);
      for (std::size_t b = 0; b < range.filled; ++b) {
        if (should_stop()) return LabelRunEnd::kStopped;
        LabelledBatch& batch = range.batches[b];
        if (!consume(batch)) return LabelRunEnd::kStopped;
        if (remaining >= 0) {
          remaining -= static_cast<std::int64_t>(batch.labels.size());
          if (remaining == 0) return LabelRunEnd::kFinished;
        }
      }
      if (!range.read_failure.empty()) {
        read_failure = range.read_failure;
        return LabelRunEnd::kFinished;
      }
      {
        std::lock_guard lock(mutex_);
        consumed_ = index + 1;
      }
      changed_.notify_all();
    }
    return LabelRunEnd::kFinished;
  }

 private:
  Range& RangeAt(std::size_t index) { return ranges_[index % slots_]; }

  // Takes the ranges in order, whichever job is free first, so that a job
  // on a busier core holds the others back by no more than its slots.
  void Work(gdal::LayerTable& reader) {
    std::unique_ptr<LabelMaker> maker;
    while (true) {
      std::size_t index = 0;
      {
        // A slot is free once the range it held before is consumed.
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
          return stopping_ || next_ == progress_.size() || next_ < consumed_ + slots_;
        });
        if (stopping_ || next_ == progress_.size()) return;
        index = next_++;
      }
      Range& range = RangeAt(index);
      try {
        if (!maker) maker = std::make_unique<LabelMaker>(reader, expression_, words_);
      } catch (...) {
        range.filled = 0;
        range.read_failure = errors::DescribeCurrentFailure();
      }
      if (maker) {
        // Labelled batch by batch as read, while the features are still in
        // the cache, unless the labels need the ranges before counted.
        Read(reader, index, range, label_while_reading_ ? maker.get() : nullptr);
        if (!label_while_reading_) {
          const std::int64_t first_row = PublishCount(index, range.count);
          if (first_row < 0) return;  // stopping
          try {
            Label(*maker, range, first_row);
          } catch (...) {
            range.filled = 0;
            range.read_failure = errors::DescribeCurrentFailure();
          }
        }
      }
      {
        std::lock_guard lock(mutex_);
        progress_[index].labelled = true;
      }
      changed_.notify_all();
    }
  }

  // Reads range index into its batches, labelling each as it comes when
  // maker is given.
  void Read(gdal::LayerTable& reader, std::size_t index, Range& range, LabelMaker* maker) {
    range.filled = 0;
    range.count = 0;
    range.read_failure.clear();
    try {
      const std::int64_t low = first_id_ + static_cast<std::int64_t>(index) * ids_per_range_;
      const std::int64_t high =
          last_id_ - low < ids_per_range_ ? last_id_ : low + ids_per_range_ - 1;
      gdal::FeatureCursor cursor = reader.FeaturesWithIdsIn(low, high);
      while (true) {
        if (range.batches.size() == range.filled) range.batches.emplace_back();
        LabelledBatch& batch = range.batches[range.filled];
        const std::size_t got = cursor.NextBatch(batch.features, batch_size_);
        if (got == 0) break;
        if (maker != nullptr) {
          batch.first_row = 0;  // no label shows $$ROW
          maker->Label(batch);
          // The writer takes the labels and ids only: the features go while
          // still in the cache, and their memory serves the next batch.
          batch.features.Clear();
        }
        ++range.filled;
        range.count += static_cast<std::int64_t>(got);
        if (got < batch_size_) break;
      }
      if (!cursor.status().ok()) range.read_failure = value::ToUtf8(cursor.status().description());
    } catch (...) {
      range.read_failure = errors::DescribeCurrentFailure();
    }
  }

  // Records how many features range index has and waits until the ranges
  // before it are counted too: its first $$ROW, or -1 when stopping.
  std::int64_t PublishCount(std::size_t index, std::int64_t count) {
    std::unique_lock lock(mutex_);
    progress_[index].count = count;
    if (index == 0) progress_[0].first_row = 1;
    for (std::size_t next = index; next + 1 < progress_.size(); ++next) {
      const RangeProgress& known = progress_[next];
      if (known.first_row < 0 || known.count < 0 || progress_[next + 1].first_row >= 0) break;
      progress_[next + 1].first_row = known.first_row + known.count;
    }
    changed_.notify_all();
    changed_.wait(lock, [&] { return stopping_ || progress_[index].first_row >= 0; });
    return stopping_ ? -1 : progress_[index].first_row;
  }

  // Labels the range's features, but none past the limit.
  void Label(LabelMaker& maker, Range& range, std::int64_t first_row) {
    std::int64_t wanted =
        limit_ < 0 ? range.count : std::max<std::int64_t>(0, limit_ - first_row + 1);
    std::int64_t row = first_row;
    for (std::size_t b = 0; b < range.filled; ++b) {
      LabelledBatch& batch = range.batches[b];
      batch.first_row = row;
      row += static_cast<std::int64_t>(batch.features.size());
      if (wanted <= 0) {
        range.filled = b;
        break;
      }
      maker.Label(batch, static_cast<std::size_t>(wanted));
      batch.features.Clear();
      wanted -= static_cast<std::int64_t>(batch.labels.size());
    }
  }

  const std::int64_t first_id_;
  const std::int64_t last_id_;
  std::vector<RangeProgress> progress_;  // guarded by mutex_
  const std::size_t slots_;              // ranges held at once
  std::vector<Range> ranges_;            // each owned by its job until labelled
  const std::size_t batch_size_;
  const std::int64_t ids_per_range_;
  const std::int64_t limit_;
  const bool label_while_reading_;
  const std::u16string& expression_;
  const ReservedWordInputs& words_;
  std::vector<std::unique_ptr<gdal::LayerTable>> others_;  // the other jobs' readers
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;      // the range the next free job takes
  std::size_t consumed_ = 0;  // ranges the consumer is done with
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Whether the expression, verified against table, names the reserved word.
bool NamesWord(gdal::LayerTable& table, const std::u16string& expression,
               std::u16string_view word) {
  evaluator::PeltExpressionEvaluator evaluator;
  if (evaluator.VerifyExpression(&table, expression) == evaluator::kFalse) return true;
  for (const language::Token& token : evaluator.Tokens()) {
    if (token.kind == language::TokenKind::kReservedWord && value::EqualsNoCase(token.text, word)) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<LabelRunEnd> LabelFeatureRanges(
    gdal::LayerTable& table, const std::u16string& expression, const ReservedWordInputs& words,
    const LabelRunOptions& options, const std::function<bool(LabelledBatch&)>& consume,
    const std::function<bool()>& should_stop, std::string& read_failure) {
  std::int64_t first_id = 0;
  std::int64_t last_id = 0;
  if (options.jobs < 2 || !table.FeatureIdBounds(first_id, last_id)) return std::nullopt;
  // $$ROW and a limit need the features of the ranges before counted.
  const bool label_while_reading = options.limit < 0 && !NamesWord(table, expression, u"ROW");
  const std::int64_t ids = label_while_reading ? options.ids_per_range : options.ids_per_held_range;
  if (ids < 1) return std::nullopt;
  // Ids spread far wider than the features (a few survivors of many
  // deletions) would make many empty ranges: one thread reads those faster.
  const std::uint64_t span =
      static_cast<std::uint64_t>(last_id) - static_cast<std::uint64_t>(first_id);
  const std::int64_t features = table.FeatureCount();
  if (features < 0 || span / static_cast<std::uint64_t>(ids) >
                          static_cast<std::uint64_t>(4 * (features / ids) + 64)) {
    return std::nullopt;
  }
  const auto range_count = static_cast<std::int64_t>(span / static_cast<std::uint64_t>(ids)) + 1;

  std::optional<LabelRunEnd> end;
  {
    RangeRun run(first_id, last_id, ids, range_count, label_while_reading, expression, words,
                 options);
    // The first job reads through the caller's table at once; the others
    // open the source again meanwhile.
    if (!run.AddJob(table)) return std::nullopt;
    run.AddJobsOpening(table, options.jobs);
    end = run.Consume(consume, should_stop, read_failure);
  }
  table.ReadAllFeatures();
  return end;
}

}  // namespace pelt::tools
