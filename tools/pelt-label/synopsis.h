#pragma once

#include <ostream>
#include <string_view>

namespace pelt::tools {

// One way to call a command: "pelt-label COMMAND FORM".
struct Synopsis {
  std::string_view command;
  std::string_view form;
};

inline constexpr Synopsis kSynopses[] = {
#define PELT_LABEL_SYNOPSIS(command, form) Synopsis{#command, form},
#include "synopses.def"
#undef PELT_LABEL_SYNOPSIS
};

// The "Usage:" lines that start a command's --help, one form each; a form
// too long for an 80-column terminal goes on under its first word.
void WriteUsage(std::ostream& out, std::string_view command);

}  // namespace pelt::tools
