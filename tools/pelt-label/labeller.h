#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::tools {

// What the reserved words of every label are made from (see
// ReservedWordValues); checked by the caller before labelling starts.
struct ReservedWordInputs {
  std::string layer;
  std::string source_path;
  std::vector<std::string_view> sets;
  std::time_t now = 0;
};

// Consecutive features of the layer with their labels.
struct LabelledBatch {
  gdal::FeatureBatch features;
  std::vector<std::string> labels;  // UTF-8, one per feature; "" for a failed label
  std::int64_t first_row = 0;       // $$ROW of the batch's first feature
  std::int64_t failed = 0;          // how many labels of the batch failed
  std::string first_failure;        // "feature FID: MESSAGE" for the first of them
};

struct LabelRunOptions {
  int jobs = 1;             // threads that make labels; 1 labels on the caller's thread
  std::int64_t limit = -1;  // the most features to label, -1 for no limit
  std::size_t batch_size = 512;
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
