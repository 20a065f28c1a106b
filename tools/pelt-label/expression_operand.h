#pragma once

#include <string>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// The EXPR operand of a command: the argument itself (UTF-8), or standard
// input for "-", read whole, without the one line ending at its very end.
// False, with the problem reported on io.err, when standard input fails.
bool ReadExpression(std::string_view operand, std::u16string& expression, Streams& io);

}  // namespace pelt::tools
