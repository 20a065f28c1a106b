#pragma once

#include <span>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// pelt-label format [--locale L] [--function F] VALUE [ARGUMENT]
ExitCode RunFormat(std::span<const std::string_view> args, Streams& io);

}  // namespace pelt::tools
