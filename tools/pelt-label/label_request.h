#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "label_formats.h"
#include "options.h"
#include "pelt/adapters/gdal/layer_copy.h"

namespace pelt::tools {

inline constexpr std::string_view kLabelCommand = "label";

// What "pelt-label label" was asked to do, read from its arguments before
// any source is opened.
struct LabelRequest {
  ParsedArguments arguments;  // --layer and --open-option are read with the source
  LabelFormat format = LabelFormat::kText;
  bool show_messages = false;
  std::string output_path;
  bool overwrite = false;  // --output may replace an existing file
  bool quiet = false;
  std::string to_path;  // --to; empty for labels on a stream
  gdal::CopyOptions copy;
  std::optional<std::string> where;
  std::optional<std::int64_t> fid;
  std::int64_t limit = -1;
  std::int64_t offset = 0;
  int jobs = 1;
  bool progress = false;
  std::vector<std::string_view> sets;  // --set KEY=VALUE, checked with the source
  std::u16string expression;
  std::string source_path;  // SOURCE, or the bundled sample
};

// Reads the label command's arguments (which request's views point into)
// and its expression. nullopt: go on with request; otherwise the command
// ends with the code returned (help printed, or a problem reported).
std::optional<ExitCode> ParseLabelRequest(std::span<const std::string_view> args, Streams& io,
                                          LabelRequest& request);

}  // namespace pelt::tools
