#pragma once

#include <memory>
#include <optional>

#include "command.h"
#include "label_request.h"
#include "labeller.h"
#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::tools {

// The layer a label run reads, filtered by --where, and what its reserved
// words are made from.
struct LabelInput {
  std::unique_ptr<gdal::LayerTable> table;
  ReservedWordInputs words;
  std::vector<std::u16string> supplied_words;  // every word the run gives a value
  std::vector<std::u16string> given_words;     // the --set ones
};

// Opens the request's layer, applies --where and checks --set. nullopt: go
// on with input; otherwise the problem was reported and the command ends
// with the code returned.
std::optional<ExitCode> OpenLabelInput(const LabelRequest& request, Streams& io, LabelInput& input);

}  // namespace pelt::tools
