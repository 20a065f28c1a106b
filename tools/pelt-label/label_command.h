#pragma once

#include <span>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// pelt-label label: the label of every feature of a layer, one per line.
ExitCode RunLabel(std::span<const std::string_view> args, Streams& io);

}  // namespace pelt::tools
