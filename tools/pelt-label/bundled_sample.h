#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "command.h"

namespace pelt::tools {

// How a command that was given no SOURCE goes on.
struct SampleChoice {
  // Standard input already serves as EXPR ("-"), so it carries no source.
  bool standard_input_taken = false;
  // No line about the sample on standard error (label --quiet).
  bool quiet = false;
  // The problem reported when the sample is not installed.
  std::string_view missing_message = "no SOURCE given and the bundled sample.gpkg is not installed";
};

// The bundled sample, for a command whose SOURCE was left out. Data piped or
// redirected into standard input was most likely meant as the source, so
// the sample stands in only when standard input cannot carry any: a
// terminal, a device such as /dev/null, or nothing at all. Says on
// io.err which file is read, unless quiet. nullopt with path set: go on;
// otherwise the problem was reported and the command ends with the code.
std::optional<ExitCode> ChooseBundledSample(std::string_view command, const SampleChoice& choice,
                                            Streams& io, std::string& path);

}  // namespace pelt::tools
