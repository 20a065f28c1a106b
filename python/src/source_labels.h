#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_labels.h"
#include "pelt/adapters/gdal/run_words.h"
#include "pelt/adapters/gdal/source.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "reserved_words.h"

namespace pelt::python {

struct SourceRequest {
  std::string path;
  gdal::LayerChoice layer;
  std::vector<std::string> open_options;
  std::optional<std::string> where;
  std::u16string expression;
  GivenWords words;
  std::time_t now = 0;
};

// Labels the features of a GDAL layer, in the layer's order, the way
// pelt-label labels them: verified once by Open, then one label per feature
// with the reserved words it supplies, a batch at a time, so that the
// caller can look up between batches. Runs without Python: call it with
// the GIL released.
class SourceLabeller {
 public:
  enum class Outcome {
    kLabelled,
    kNotFound,           // nothing at the path
    kCannotOpen,         // not vector data, unreadable, no layers
    kBadChoice,          // no such layer, several and none chosen, a bad open option
    kFilterRefused,      // the driver cannot evaluate the condition
    kInvalidExpression,  // message() holds the verification's text
    kWordGivenTwice,
    kReadFailed,  // reading stopped early; message() says why
  };

  // Opens the layer, applies the condition and verifies the expression:
  // kLabelled when the features may be labelled, else why not.
  Outcome Open(const SourceRequest& request);
  // Labels up to max_count more features into out, their ids into fids.
  // False once the layer is done; Finish then tells whether all was read.
  bool LabelMore(std::size_t max_count, Labels& out, std::vector<std::int64_t>& fids);
  // kLabelled, or kReadFailed when reading stopped early.
  Outcome Finish();

  // The reason for a refusal or a failed read.
  const std::string& message() const { return message_; }
  // The warnings about the expression, valid or not, once Open verified it.
  const std::vector<std::u16string>& warnings() const { return warnings_; }

 private:
  Outcome Refuse(Outcome outcome, std::string message);

  std::u16string expression_;
  std::unique_ptr<gdal::LayerTable> table_;
  gdal::RunWords words_;
  evaluator::PeltExpressionEvaluator evaluator_;
  std::optional<gdal::FeatureCursor> cursor_;
  std::int64_t row_ = 0;  // of the last feature labelled, 1-based
  std::string message_;
  std::vector<std::u16string> warnings_;
};

}  // namespace pelt::python
