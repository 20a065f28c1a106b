#include "layers_command.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "json_text.h"
#include "options.h"
#include "pelt/adapters/gdal/source.h"
#include "source_arguments.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "layers";

constexpr OptionSpec kFormatOption{"format", 'f', "FORMAT", "text (the default) or jsonl"};
constexpr std::array kOptions{kFormatOption, kOpenOption, kHelpOption};

constexpr std::string_view kUsage =
    "Usage: pelt-label layers [--format text|jsonl] [--open-option KEY=VALUE] [SOURCE]\n"
    "\n"
    "Lists the layers of SOURCE (any vector data GDAL reads, - for standard\n"
    "input) in the source's order, with the number of features of each. The\n"
    "index and the name are what --layer takes. Without SOURCE the bundled\n"
    "sample is listed.\n"
    "\n"
    "text:  one line per layer: the 0-based index, a tab, the name, a tab, the\n"
    "       feature count (? when the driver cannot count)\n"
    "jsonl: {\"index\": 0, \"name\": \"NAME\", \"features\": 10} per line\n"
    "       (features is null when the driver cannot count)\n"
    "\n"
    "Exit status: 0 listed; 1 standard output could not be written; 2 bad\n"
    "usage, or a source that cannot be opened.\n"
    "\n";

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
  if (const auto done = ParseRecordCommandArguments(args, kOptions, kFormatOption, kCommand, kUsage,
                                                    io, arguments, format)) {
    return *done;
  }
  const std::vector<std::string_view>& operands = arguments.operands();
  if (operands.size() > 1) {
    return ReportUsage(io, kCommand,
                       "expects at most one SOURCE, got " + std::to_string(operands.size()));
  }
  std::string source_path;
  if (!operands.empty()) {
    source_path = operands.front();
  } else if (const std::optional<std::string> sample = BundledSamplePath()) {
    source_path = *sample;
  } else {
    ReportProblem(io, "no SOURCE given and the bundled sample.gpkg is not installed");
    return ExitCode::kUsage;
  }
  const std::unique_ptr<gdal::Source> source = OpenCommandSource(source_path, arguments, io);
  if (!source) return ExitCode::kUsage;

  std::string listing;
  const std::vector<std::string> names = source->LayerNames();
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
