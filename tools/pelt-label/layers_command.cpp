#include "layers_command.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "bundled_sample.h"
#include "json_text.h"
#include "options.h"
#include "pelt/adapters/gdal/source.h"
#include "source_arguments.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "layers";

constexpr std::array kOptions{kRecordFormatOption, kOpenOption, kHelpOption};

constexpr std::string_view kUsage =
    R"(
Lists the layers of SOURCE (any vector data GDAL reads, - for standard
input) in the source's order, with the number of features of each. The
index and the name are what --layer takes. Without SOURCE the bundled
sample is listed, and standard error names it; not when standard input is
a pipe or a file, which give - as SOURCE to read.

text:  one line per layer: the 0-based index, a tab, the name, a tab, the
       feature count (? when the driver cannot count)
jsonl: {"index": 0, "name": "NAME", "features": 10} per line
       (features is null when the driver cannot count)

Exit status: 0 listed; 1 standard output could not be written; 2 bad
usage, or a source that cannot be opened.

)";
constexpr CommandSyntax kSyntax{kCommand, kOptions, kUsage, &kRecordFormatOption};

void AppendLayer(std::string& out, std::int32_t index, const std::string& name,
                 std::int64_t features, RecordFormat format) {
  if (format == RecordFormat::kText) {
    out += std::to_string(index);
    out += '\t';
    out += name;
    out += '\t';
    out += features < 0 ? std::string("?") : std::to_string(features);
  } else {
    out += "{\"index\": ";
    out += std::to_string(index);
    out += ", \"name\": ";
    AppendJsonString(out, name);
    out += ", \"features\": ";
    out += features < 0 ? std::string("null") : std::to_string(features);
    out += '}';
  }
  out += '\n';
}

}  // namespace

ExitCode RunLayers(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  RecordFormat format = RecordFormat::kText;
  if (const auto done = ParseRecordArguments(args, kSyntax, io, arguments, format)) return *done;
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.size() > 1) {
    return ReportUsage(io, kCommand,
                       "expects at most one SOURCE, got " + std::to_string(operands.size()));
  }
  std::string source_path;
  if (!operands.empty()) {
    source_path = operands.front();
  } else if (const auto done = ChooseBundledSample(kCommand, {}, io, source_path)) {
    return *done;
  }
  const std::unique_ptr<gdal::Source> source = OpenCommandSource(source_path, arguments, io);
  if (!source) return ExitCode::kUsage;

  std::string listing;
  std::vector<std::string> names;
  if (gdal::OpenError error; !source->LayerNames(names, error)) {
    ReportProblem(io, error.message);
    return ExitCode::kFailure;
  }
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(names.size()); ++i) {
    gdal::OpenError open_error;
    const std::unique_ptr<gdal::LayerTable> table =
        source->OpenLayer(gdal::LayerChoice::AtIndex(i), open_error);
    AppendLayer(listing, i, names[static_cast<std::size_t>(i)], table ? table->FeatureCount() : -1,
                format);
  }
  io.out << listing;
  io.out.flush();
  if (!io.out) return ReportStreamWriteFailure(io);
  return ExitCode::kOk;
}

}  // namespace pelt::tools
