#include "output_guard.h"

#include <sys/stat.h>

#include "pelt/adapters/gdal/source_files.h"
#include "pelt/files/replacement_file.h"

namespace pelt::tools {

std::optional<ExitCode> CheckLabelsOutput(const std::string& output_path, bool overwrite,
                                          const gdal::LayerTable& source,
                                          const std::string& source_path, Streams& io) {
  if (output_path.empty() || output_path == "-") return std::nullopt;  // standard output
  const std::string option = "--output '" + output_path + "'";
  if (const std::optional<gdal::SourceFile> file = gdal::FindSourceFile(source, output_path)) {
    ReportProblem(io, "--output " + gdal::DescribeSourceFile(output_path, *file, source_path) +
                          "; it is never written to: write the labels to another file");
    return ExitCode::kUsage;
  }
  // /dev/stdout and the like: written where the caller's descriptor points.
  if (files::OwnDescriptorOf(output_path) >= 0) return std::nullopt;
  struct stat status {};
  if (::stat(output_path.c_str(), &status) != 0) return std::nullopt;  // a new file
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) || S_ISFIFO(status.st_mode) ||
      S_ISSOCK(status.st_mode)) {
    return std::nullopt;  // written straight through, nothing is replaced
  }
  if (S_ISDIR(status.st_mode)) {
    ReportProblem(io, option + " is a directory: name a file to write the labels to");
    return ExitCode::kUsage;
  }
  if (!overwrite) {
    ReportProblem(io, option + " exists already (use --overwrite to replace it)");
    return ExitCode::kUsage;
  }
  return std::nullopt;
}

}  // namespace pelt::tools
