#include "bundled_sample.h"

#include <sys/stat.h>
#include <unistd.h>

#include "source_arguments.h"

namespace pelt::tools {
namespace {

// What standard input is when it could carry data ("a pipe" ...); nullopt
// for a terminal, a device or a closed standard input.
std::optional<std::string_view> DataOnStandardInput() {
  struct stat status {};
  if (::fstat(STDIN_FILENO, &status) != 0) return std::nullopt;
  if (S_ISFIFO(status.st_mode)) return "a pipe";
  if (S_ISSOCK(status.st_mode)) return "a socket";
  if (S_ISREG(status.st_mode)) return "a file";
  return std::nullopt;
}

}  // namespace

std::optional<ExitCode> ChooseBundledSample(std::string_view command, const SampleChoice& choice,
                                            Streams& io, std::string& path) {
  if (!choice.standard_input_taken) {
    if (const std::optional<std::string_view> kind = DataOnStandardInput()) {
      return ReportUsage(io, command,
                         "no SOURCE given, and standard input is " + std::string(*kind) +
                             ": give - as SOURCE to read the source from standard input, or "
                             "name the source");
    }
  }
  const std::optional<std::string> sample = BundledSamplePath();
  if (!sample) {
    ReportProblem(io, choice.missing_message);
    return ExitCode::kUsage;
  }
  path = *sample;
  if (!choice.quiet) ReportProblem(io, "no SOURCE given: using the bundled sample '" + path + "'");
  return std::nullopt;
}

}  // namespace pelt::tools
