#pragma once

#include <optional>
#include <string>

#include "command.h"
#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::tools {

// Checks the file --output names before anything is written to it: never
// the source or one of its files, whatever the name that reaches it (a
// link, another spelling, a sidecar, the archive a /vsizip/ source reads),
// never a folder, and an existing file only with --overwrite. Devices and
// pipes are written as they are. nullopt: write; otherwise the refusal was
// reported and the command ends with the code returned.
std::optional<ExitCode> CheckLabelsOutput(const std::string& output_path, bool overwrite,
                                          const gdal::LayerTable& source,
                                          const std::string& source_path, Streams& io);

}  // namespace pelt::tools
