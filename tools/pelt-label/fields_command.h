#pragma once

#include <span>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// pelt-label fields [--layer NAME] [--format text|jsonl] [SOURCE]
ExitCode RunFields(std::span<const std::string_view> args, Streams& io);

}  // namespace pelt::tools
