#include "labeller.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "pelt/errors/failure_text.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/format/format.h"
#include "pelt/value/text.h"
#include "reserved_words.h"

namespace pelt::tools {

LabelMaker::LabelMaker(gdal::LayerTable& table, const std::u16string& expression,
                       const ReservedWordInputs& inputs)
    : table_(table), expression_(expression) {
  std::string ignored;  // the caller built the same words once already
  (void)words_.Build(inputs.layer, inputs.source_path, inputs.sets, inputs.now, ignored);
}

void LabelMaker::Label(LabelledBatch& batch, std::size_t count) {
  count = std::min(count, batch.features.size());
  batch.labels.clear();
  batch.labels.Reserve(count);
  batch.fids.resize(count);
  batch.failed = 0;
  batch.first_failure.clear();
  format::UnreadDateTexts unread;
  const format::ScopedUnreadDateTexts counting(unread);
  (void)evaluator_.PrepareLabels(&table_, expression_, words_.collection());
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t fid = batch.features.fid(i);
    batch.fids[i] = fid;
    unread.item = fid;
    try {
      words_.SetFeature(fid, batch.first_row + static_cast<std::int64_t>(i));
      const std::u16string_view made = evaluator_.MakePreparedLabel(&batch.features.RowAt(i));
      // "" is a failure or an empty label; the evaluator's verdict tells.
      if (evaluator_.LastCallSucceeded()) {
        batch.labels.Add(made);
        continue;
      }
      NoteFailure(batch, fid, value::ToUtf8(evaluator_.Message()));
    } catch (...) {
      // A worker thread: nothing may escape, but the cause is told as it is.
      NoteFailure(batch, fid, errors::DescribeCurrentFailure());
    }
    batch.labels.Add(u"");
  }
  batch.unread_dates = unread.count;
  batch.first_unread_date.clear();
  if (unread.count > 0) {
    batch.first_unread_date = u"feature " + value::FromAscii(std::to_string(unread.first_item)) +
                              u": '" + unread.first + u"'";
  }
}

void LabelMaker::NoteFailure(LabelledBatch& batch, std::int64_t fid, const std::string& message) {
  if (batch.failed++ == 0) {
    batch.first_failure = "feature " + std::to_string(fid) + ": " + message;
  }
}

namespace {

struct Slot {
  LabelledBatch batch;
  bool done = false;  // guarded by the pool's mutex
};

// Threads that label the batches queued to them, in any order; the caller
// waits for the one it needs next.
class WorkerPool {
 public:
  WorkerPool(int jobs, gdal::LayerTable& table, const std::u16string& expression,
             const ReservedWordInputs& words) {
    threads_.reserve(static_cast<std::size_t>(jobs));
    for (int i = 0; i < jobs; ++i) {
      threads_.emplace_back([this, &table, &expression, &words] {
        LabelMaker maker(table, expression, words);
        Work(maker);
      });
    }
  }

  ~WorkerPool() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void Submit(Slot& slot) {
    {
      std::lock_guard lock(mutex_);
      slot.done = false;
      queue_.push_back(&slot);
    }
    queued_.notify_one();
  }

  void WaitFor(Slot& slot) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return slot.done; });
  }

 private:
  void Work(LabelMaker& maker) {
    std::unique_lock lock(mutex_);
    while (true) {
      queued_.wait(lock, [&] { return closing_ || !queue_.empty(); });
      if (queue_.empty()) return;  // closing, and nothing left to do
      Slot* slot = queue_.front();
      queue_.pop_front();
      lock.unlock();
      maker.Label(slot->batch);
      lock.lock();
      slot->done = true;
      finished_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::deque<Slot*> queue_;
  bool closing_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

LabelRunEnd LabelFeatures(gdal::LayerTable& table, const std::u16string& expression,
                          const ReservedWordInputs& words, gdal::FeatureCursor& cursor,
                          const LabelRunOptions& options,
                          const std::function<bool(LabelledBatch&)>& consume,
                          const std::function<bool()>& should_stop) {
  const std::size_t batch_size = std::max<std::size_t>(options.batch_size, 1);
  std::int64_t remaining = options.limit;
  std::int64_t next_row = 1;
  // Reads the next batch into slot; false at the end of the features.
  auto read = [&](Slot& slot) {
    std::size_t wanted = batch_size;
    if (remaining >= 0)
      wanted = static_cast<std::size_t>(
          std::min<std::int64_t>(remaining, static_cast<std::int64_t>(batch_size)));
    if (wanted == 0) return false;
    const std::size_t got = cursor.NextBatch(slot.batch.features, wanted);
    if (got == 0) return false;
    if (remaining >= 0) remaining -= static_cast<std::int64_t>(got);
    slot.batch.first_row = next_row;
    next_row += static_cast<std::int64_t>(got);
    return true;
  };

  if (options.jobs <= 1) {
    LabelMaker maker(table, expression, words);
    Slot slot;
    while (true) {
      if (should_stop()) return LabelRunEnd::kStopped;
      if (!read(slot)) return LabelRunEnd::kFinished;
      maker.Label(slot.batch);
      if (!consume(slot.batch)) return LabelRunEnd::kStopped;
    }
  }

  // Enough batches in flight to keep every worker busy while the caller
  // reads the next ones and writes the oldest.
  const std::size_t in_flight_limit = static_cast<std::size_t>(options.jobs) * 3;
  std::vector<std::unique_ptr<Slot>> slots;
  std::deque<Slot*> free_slots;
  std::deque<Slot*> in_flight;  // in the cursor's order
  WorkerPool pool(options.jobs, table, expression, words);
  bool input_ended = false;
  while (true) {
    if (should_stop()) break;
    while (!input_ended && in_flight.size() < in_flight_limit) {
      if (free_slots.empty()) {
        slots.push_back(std::make_unique<Slot>());
        free_slots.push_back(slots.back().get());
      }
      Slot* slot = free_slots.front();
      if (!read(*slot)) {
        input_ended = true;
        break;
      }
      free_slots.pop_front();
      in_flight.push_back(slot);
      pool.Submit(*slot);
    }
    if (in_flight.empty()) return LabelRunEnd::kFinished;
    Slot* oldest = in_flight.front();
    pool.WaitFor(*oldest);
    in_flight.pop_front();
    const bool go_on = consume(oldest->batch);
    free_slots.push_back(oldest);
    if (!go_on) break;
  }
  // The pool's destructor lets the workers finish what they hold.
  for (Slot* slot : in_flight) pool.WaitFor(*slot);
  return LabelRunEnd::kStopped;
}

}  // namespace pelt::tools
