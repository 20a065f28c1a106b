#pragma once

#include <span>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// pelt-label edit [--layer NAME] [--set KEY=DESCRIPTION]... [--show-messages]
//                 [SOURCE] [EXPR]
ExitCode RunEdit(std::span<const std::string_view> args, Streams& io);

}  // namespace pelt::tools
