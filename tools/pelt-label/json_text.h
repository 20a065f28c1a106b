#pragma once

#include <string>
#include <string_view>

namespace pelt::tools {

// Appends text as a JSON string literal, quotes included. text is UTF-8 and
// stays UTF-8: only the quote, the backslash and control characters are
// escaped, so names in any script remain readable in the output.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace pelt::tools
