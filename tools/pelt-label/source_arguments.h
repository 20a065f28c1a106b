#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "command.h"
#include "options.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/adapters/gdal/source.h"

namespace pelt::tools {

// The SOURCE operand that stands for standard input.
inline constexpr std::string_view kStandardInput = "-";

// The folder of the running program; empty when it cannot be told.
std::filesystem::path ProgramDirectory();

// The bundled sample GeoPackage: beside an installed program first
// (share/peltexpressions/sample.gpkg), then in the source tree the program
// was built from. nullopt when neither exists.
std::optional<std::string> BundledSamplePath();

// Opens a source as the options of a command ask: source_path "-" reads
// standard input whole (GeoJSON from a pipe …), --open-option passes driver
// options. On failure the problem is reported on io.err and nullptr
// returned; every failure to open is a usage problem (exit status 2).
std::unique_ptr<gdal::Source> OpenCommandSource(const std::string& source_path,
                                                const ParsedArguments& arguments, Streams& io);

// The layer --layer names: a layer of that name when there is one, otherwise
// a whole number is a 0-based index. Without --layer, the source's only
// layer; a source with several is refused with their names listed.
std::unique_ptr<gdal::LayerTable> OpenChosenLayer(const gdal::Source& source,
                                                  const ParsedArguments& arguments, Streams& io);

// Opens the layer a command reads: SOURCE is the command's only operand, or
// the bundled sample when there is none; --layer picks the layer, otherwise
// the source must have exactly one. On failure the problem is reported on
// io.err, exit_code is set and nullptr returned.
std::unique_ptr<gdal::LayerTable> OpenCommandLayer(std::string_view command,
                                                   const ParsedArguments& arguments, Streams& io,
                                                   ExitCode& exit_code);

// Opens the layer of source_path that --layer names, or its only layer, for
// commands that take SOURCE among other operands. Reports and returns as
// OpenCommandLayer.
std::unique_ptr<gdal::LayerTable> OpenSourceLayer(const std::string& source_path,
                                                  const ParsedArguments& arguments, Streams& io,
                                                  ExitCode& exit_code);

}  // namespace pelt::tools
