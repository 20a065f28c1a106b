#include "command.h"

namespace pelt::tools {

void ReportProblem(Streams& io, std::string_view message) {
  io.err << kProgramName << ": " << message << '\n';
  io.err.flush();
}

ExitCode ReportUsage(Streams& io, std::string_view command, std::string_view message) {
  io.err << kProgramName << ' ' << command << ": " << message << " (see '" << kProgramName << ' '
         << command << " --help')\n";
  io.err.flush();
  return ExitCode::kUsage;
}

}  // namespace pelt::tools
