#pragma once

#include <functional>
#include <optional>
#include <string>

#include "labeller.h"

namespace pelt::tools {

// Labels a layer that can be split by feature id (LayerTable::FeatureIdBounds)
// on options.jobs threads, each reading ranges of ids through its own opening
// of the source and labelling them, and hands the batches to consume in the
// layer's order on the calling thread, as LabelFeatures does: the labels,
// $$ROW included, are the same. Reading, not labelling, is most of the work,
// so this is what lets more jobs go faster.
//
// The first job starts at once through table; the others open the source
// again meanwhile, and one that cannot leaves its ranges to the rest. The
// jobs take the ranges in order as each gets free, so a job slowed by other
// work on its core costs the others little.
//
// nullopt when the layer cannot be split or no thread can be started:
// nothing was read, and the caller reads on one thread with LabelFeatures.
// read_failure tells why reading stopped short, "" when it did not.
std::optional<LabelRunEnd> LabelFeatureRanges(
    gdal::LayerTable& table, const std::u16string& expression, const ReservedWordInputs& words,
    const LabelRunOptions& options, const std::function<bool(LabelledBatch&)>& consume,
    const std::function<bool()>& should_stop, std::string& read_failure);

}  // namespace pelt::tools
