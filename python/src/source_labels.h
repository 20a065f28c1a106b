#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_labels.h"
#include "pelt/adapters/gdal/layer_copy.h"
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
// caller can look up between batches. With StartCopy, every feature is also
// written, its label in a new field, into a copy of the layer, as
// pelt-label's --to writes it. Runs without Python: call it with the GIL
// released.
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
    kReadFailed,    // reading stopped early; message() says why
    kCopyRefused,   // the copy cannot be made; copy_error() says why
    kCopyFailed,    // writing the copy failed; copy_error() says why
  };

  // Opens the layer, applies the condition and verifies the expression:
  // kLabelled when the features may be labelled, else why not.
  Outcome Open(const SourceRequest& request);
  // After Open: writes the labelled features into a new dataset at path
  // too. kLabelled, or kCopyRefused.
  Outcome StartCopy(const std::string& path, const gdal::CopyOptions& options);
  // Labels up to max_count more features into out, their ids into fids.
  // False once the layer is done or the copy refused a feature; Finish
  // then tells whether all was read and written.
  bool LabelMore(std::size_t max_count, Labels& out, std::vector<std::int64_t>& fids);
  // kLabelled (and a copy moved under its name), else kReadFailed when
  // reading stopped early or kCopyFailed when writing did.
  Outcome Finish();

  // The reason for a refusal or a failed read.
  const std::string& message() const { return message_; }
  // The warnings about the expression, valid or not, once Open verified it.
  const std::vector<std::u16string>& warnings() const { return warnings_; }
  // Why the copy was refused or failed.
  const gdal::CopyError& copy_error() const { return copy_error_; }
  // The fields the copy names otherwise than asked (a Shapefile's ten
  // characters); none before StartCopy.
  std::vector<gdal::FieldRename> renamed_fields() const {
    return copy_ ? copy_->RenamedFields() : std::vector<gdal::FieldRename>{};
  }

 private:
  Outcome Refuse(Outcome outcome, std::string message);

  std::u16string expression_;
  std::unique_ptr<gdal::LayerTable> table_;
  gdal::RunWords words_;
  evaluator::PeltExpressionEvaluator evaluator_;
  std::optional<gdal::FeatureCursor> cursor_;
  gdal::FeatureBatch batch_;
  std::unique_ptr<gdal::LayerCopy> copy_;
  gdal::CopyError copy_error_;
  bool copy_failed_ = false;
  std::int64_t row_ = 0;  // of the last feature labelled, 1-based
  std::size_t chars_per_label_ = 16;  // in the last batch, rounded up
  std::string message_;
  std::vector<std::u16string> warnings_;
};

}  // namespace pelt::python
