#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "frame_labels.h"
#include "pelt/adapters/gdal/source.h"
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

struct SourceLabels {
  enum class Outcome {
    kLabelled,
    kNotFound,           // nothing at the path
    kCannotOpen,         // not vector data, unreadable, no layers
    kBadChoice,          // no such layer, several and none chosen, a bad open option
    kFilterRefused,      // the driver cannot evaluate the condition
    kInvalidExpression,  // message holds the verification's text
    kWordGivenTwice,
    kReadFailed,  // reading stopped early; message says why
  };
  Outcome outcome = Outcome::kLabelled;
  std::string message;
  std::vector<std::int64_t> fids;
  Labels labels;
  std::vector<std::u16string> warnings;  // about the expression, valid or not
};

// "labelled", "not found" …: the outcome as the Python side knows it.
const char* OutcomeName(SourceLabels::Outcome outcome);

// The labels of a GDAL layer's features, in the layer's order, the way
// pelt-label labels them: verified once, then one label per feature with
// the reserved words it supplies. Runs without Python: call it with the GIL
// released.
SourceLabels LabelSource(const SourceRequest& request);

}  // namespace pelt::python
