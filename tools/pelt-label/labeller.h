#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/value/text.h"
#include "reserved_words.h"

namespace pelt::tools {

// What the reserved words of every label are made from (see
// ReservedWordValues); checked by the caller before labelling starts.
struct ReservedWordInputs {
  std::string layer;
  std::string source_path;
  std::vector<std::string_view> sets;
  std::time_t now = 0;
};

// The labels of a batch in UTF-8, one after another in one buffer: made on
// one thread and written out on another, they fill a few cache lines between
// them instead of a string each, and cost no allocation once it has grown.
class LabelTexts {
 public:
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  std::string_view back() const { return (*this)[size() - 1]; }
  void clear() {
    text_.clear();
    ends_.clear();
  }
  // Room for count labels: Add cannot then fail for want of it, and an
  // empty label never fails.
  void Reserve(std::size_t count) { ends_.reserve(count); }
  // Appends label, converted from UTF-16; a failure adds nothing.
  void Add(std::u16string_view label) {
    const std::size_t start = text_.size();
    try {
      value::AppendUtf8(label, text_);
      ends_.push_back(text_.size());
    } catch (...) {
      text_.resize(start);
      throw;
    }
  }

 private:
  std::string text_;
  std::vector<std::size_t> ends_;  // where each label ends in text_
};

// Consecutive features of the layer with their labels.
struct LabelledBatch {
  gdal::FeatureBatch features;
  LabelTexts labels;                 // one per feature; "" for a failed label
  std::vector<std::int64_t> fids;    // the id of each labelled feature
  std::int64_t first_row = 0;        // $$ROW of the batch's first feature
  std::int64_t failed = 0;           // how many labels of the batch failed
  std::string first_failure;         // "feature FID: MESSAGE" for the first of them
  std::int64_t unread_dates = 0;     // texts a date picture showed as they are
  std::u16string first_unread_date;  // "feature FID: 'TEXT'" for the first of them
};

// Makes the labels of batches: one evaluator and one set of reserved words,
// for one thread, since an evaluator serves one call at a time and FID and
// ROW change per feature.
class LabelMaker {
 public:
  LabelMaker(gdal::LayerTable& table, const std::u16string& expression,
             const ReservedWordInputs& inputs);
  // Fills batch.labels (and its failures) for the first count of
  // batch.features, or all of them.
  void Label(LabelledBatch& batch, std::size_t count = SIZE_MAX);

 private:
  static void NoteFailure(LabelledBatch& batch, std::int64_t fid, const std::string& message);

  gdal::LayerTable& table_;
  const std::u16string& expression_;
  evaluator::PeltExpressionEvaluator evaluator_;
  ReservedWordValues words_;
};

struct LabelRunOptions {
  int jobs = 1;             // threads that make labels; 1 labels on the caller's thread
  std::int64_t limit = -1;  // the most features to label, -1 for no limit
  std::size_t batch_size = 512;
  // Feature ids per range when jobs read ranges of the layer themselves
  // (LabelFeatureRanges). A range labelled as it is read holds only its
  // labels: it can be long, so that starting its query and handing it over
  // cost little. One whose features wait for the ranges before to be counted
  // ($$ROW, a limit) holds them all, and is kept short.
  std::int64_t ids_per_range = 16384;
  std::int64_t ids_per_held_range = 2048;
};

enum class LabelRunEnd {
  kFinished,  // the cursor has no more features, or the limit was reached
  kStopped,   // consume or should_stop asked to stop
};

// Labels the features the cursor reads with the expression (verified by the
// caller against table) and hands them to consume in the cursor's order, a
// batch at a time, on the calling thread. The cursor is read on the calling
// thread only; with jobs > 1 that many threads make the labels, each with its
// own evaluator, while the caller reads and consumes. The labels are the same
// whatever the number of jobs. consume returns false to stop; should_stop is
// asked between batches. At most a few batches per job are held at once, so
// memory does not grow with the layer.
LabelRunEnd LabelFeatures(gdal::LayerTable& table, const std::u16string& expression,
                          const ReservedWordInputs& words, gdal::FeatureCursor& cursor,
                          const LabelRunOptions& options,
                          const std::function<bool(LabelledBatch&)>& consume,
                          const std::function<bool()>& should_stop);

}  // namespace pelt::tools
