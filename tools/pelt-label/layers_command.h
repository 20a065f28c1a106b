#pragma once

#include <span>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// pelt-label layers [OPTIONS] [SOURCE]: the layers of a source with their
// feature counts.
ExitCode RunLayers(std::span<const std::string_view> args, Streams& io);

}  // namespace pelt::tools
