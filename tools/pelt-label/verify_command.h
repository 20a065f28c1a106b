#pragma once

#include <span>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// pelt-label verify [--layer NAME] [--show-messages] SOURCE EXPR
// pelt-label verify [--show-messages] --no-table EXPR
ExitCode RunVerify(std::span<const std::string_view> args, Streams& io);

}  // namespace pelt::tools
