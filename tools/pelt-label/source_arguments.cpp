#include "source_arguments.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <system_error>

#include "bundled_sample.h"
#include "pelt/adapters/gdal/source.h"

namespace pelt::tools {
namespace {

bool IsRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::filesystem::path ProgramDirectory() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

std::optional<std::string> BundledSamplePath() {
  // An installed program must not read the source tree it was built from,
  // which may have changed since: the installed copy wins.
  if (const std::filesystem::path directory = ProgramDirectory(); !directory.empty()) {
    const std::filesystem::path installed =
        (directory / PELT_SAMPLE_FROM_PROGRAM_DIRECTORY).lexically_normal();
    if (IsRegularFile(installed)) return installed.string();
  }
  const std::filesystem::path in_source_tree(PELT_SAMPLE_IN_SOURCE_TREE);
  if (IsRegularFile(in_source_tree)) return in_source_tree.string();
  return std::nullopt;
}

std::unique_ptr<gdal::LayerTable> OpenCommandLayer(std::string_view command,
                                                   const ParsedArguments& arguments, Streams& io,
                                                   ExitCode& exit_code) {
  exit_code = ExitCode::kUsage;
  if (arguments.operands().size() > 1) {
    ReportUsage(io, command,
                "expects at most one SOURCE, got " + std::to_string(arguments.operands().size()));
    return nullptr;
  }

  std::string source_path;
  if (arguments.operands().empty()) {
    if (const auto done = ChooseBundledSample(command, {}, io, source_path)) {
      exit_code = *done;
      return nullptr;
    }
  } else {
    source_path = arguments.operands().front();
  }
  return OpenSourceLayer(source_path, arguments, io, exit_code);
}

std::unique_ptr<gdal::Source> OpenCommandSource(const std::string& source_path,
                                                const ParsedArguments& arguments, Streams& io) {
  std::vector<std::string> open_options;
  for (std::string_view option : arguments.Values(kOpenOption.name)) {
    open_options.emplace_back(option);
  }
  gdal::OpenError error;
  std::unique_ptr<gdal::Source> source;
  if (source_path == kStandardInput) {
    std::string contents((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      ReportProblem(io, "cannot read the source from standard input");
      return nullptr;
    }
    source = gdal::Source::OpenInMemory(std::move(contents), "standard input", open_options, error);
  } else {
    source = gdal::Source::Open(source_path, open_options, error);
  }
  if (!source) ReportProblem(io, error.message);
  return source;
}

std::unique_ptr<gdal::LayerTable> OpenChosenLayer(const gdal::Source& source,
                                                  const ParsedArguments& arguments, Streams& io) {
  gdal::LayerChoice choice;
  gdal::OpenError error;
  if (const std::optional<std::string_view> layer = arguments.Value(kLayerOption.name)) {
    std::vector<std::string> names;
    if (!source.LayerNames(names, error)) {
      ReportProblem(io, error.message);
      return nullptr;
    }
    const bool is_name = std::find(names.begin(), names.end(), *layer) != names.end();
    std::int32_t index = 0;
    const char* end = layer->data() + layer->size();
    const auto [stop, failure] = std::from_chars(layer->data(), end, index);
    if (!is_name && !layer->empty() && failure == std::errc() && stop == end) {
      choice = gdal::LayerChoice::AtIndex(index);
    } else {
      choice = gdal::LayerChoice::Named(std::string(*layer));
    }
  }
  std::unique_ptr<gdal::LayerTable> table = source.OpenLayer(choice, error);
  if (!table) {
    std::string message = error.message;
    if (error.kind == gdal::OpenErrorKind::kLayerChoiceNeeded)
      message += " (use --layer NAME or INDEX)";
    ReportProblem(io, message);
  }
  return table;
}

std::unique_ptr<gdal::LayerTable> OpenSourceLayer(const std::string& source_path,
                                                  const ParsedArguments& arguments, Streams& io,
                                                  ExitCode& exit_code) {
  exit_code = ExitCode::kUsage;
  const std::unique_ptr<gdal::Source> source = OpenCommandSource(source_path, arguments, io);
  if (!source) return nullptr;
  std::unique_ptr<gdal::LayerTable> table = OpenChosenLayer(*source, arguments, io);
  if (table) exit_code = ExitCode::kOk;
  return table;
}

}  // namespace pelt::tools
