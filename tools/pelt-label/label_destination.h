#pragma once

#include <memory>

#include "command.h"
#include "label_request.h"
#include "labeller.h"
#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::tools {

// Where the labels go: a stream of records or a copy of the layer.
class LabelDestination {
 public:
  virtual ~LabelDestination() = default;
  // False when writing failed; the caller then asks Finish for the reason.
  virtual bool Take(LabelledBatch& batch) = 0;
  // Completes the output. exit_code is set for a failure, which is reported
  // on io.err unless it is a reader that went away.
  virtual bool Finish(Streams& io, ExitCode& exit_code) = 0;
};

// Opens the destination the request names: records on standard output or
// in --output, or a copy of table in --to. nullptr when it cannot be made;
// the problem was then reported and exit_code set.
std::unique_ptr<LabelDestination> OpenLabelDestination(const LabelRequest& request,
                                                       gdal::LayerTable& table, Streams& io,
                                                       ExitCode& exit_code);

}  // namespace pelt::tools
