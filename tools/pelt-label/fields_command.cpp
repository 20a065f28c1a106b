#include "fields_command.h"

#include <array>
#include <cstdint>
#include <string>

#include "json_text.h"
#include "options.h"
#include "pelt/adapters/gdal/layer_table.h"
#include "pelt/host/host_table.h"
#include "pelt/value/text.h"
#include "source_arguments.h"

namespace pelt::tools {
namespace {

constexpr std::string_view kCommand = "fields";

constexpr std::array kOptions{kLayerOption, kOpenOption, kRecordFormatOption, kHelpOption};

constexpr std::string_view kUsage =
    R"(
Lists the fields of a layer in the order label expressions see them, with
their type codes. SOURCE is any vector data GDAL reads (GeoPackage,
Shapefile, GeoJSON, CSV ...), - for standard input; without it the bundled
sample is listed, and standard error names it; not when standard input is
a pipe or a file, which give - as SOURCE to read.

text:  one line per field: NAME, a tab, the type code, a tab, the type name
jsonl: one JSON object per line:
       {"name": "NAME", "type": 4, "type_name": "String"}

Type codes: 0 SmallInteger (16-bit integers, Booleans), 1 Integer, 2 Single,
3 Double, 4 String (also lists and JSON), 5 Date (dates, times, date-times),
6 ObjectId (the feature id column), 7 Geometry ("Shape" when unnamed),
8 Blob. Fields of codes 7 and 8 cannot be used in a label.

)";
constexpr CommandSyntax kSyntax{kCommand, kOptions, kUsage, &kRecordFormatOption};

struct FieldLine {
  std::string name;  // UTF-8
  host::FieldType type = host::FieldType::kString;
};

// Reads one field's name and type through the host interface, as the
// evaluator does, so this listing shows exactly what expressions bind to.
host::Status ReadField(host::HostFields& fields, std::int32_t index, FieldLine& line) {
  host::HostField* field = nullptr;
  if (host::Status status = fields.FieldAt(index, field); !status.ok()) return status;
  std::u16string name;
  if (host::Status status = field->FieldName(name); !status.ok()) return status;
  if (host::Status status = field->FieldTypeCode(line.type); !status.ok()) return status;
  line.name = value::ToUtf8(name);
  return host::Status::Ok();
}

void AppendLine(std::string& out, const FieldLine& line, RecordFormat format) {
  const auto code = static_cast<std::int32_t>(line.type);
  const std::string type_name = value::ToUtf8(host::FieldTypeName(line.type));
  if (format == RecordFormat::kText) {
    out += line.name;
    out += '\t';
    out += std::to_string(code);
    out += '\t';
    out += type_name;
  } else {
    out += "{\"name\": ";
    AppendJsonString(out, line.name);
    out += ", \"type\": ";
    out += std::to_string(code);
    out += ", \"type_name\": ";
    AppendJsonString(out, type_name);
    out += '}';
  }
  out += '\n';
}

ExitCode ReportHostFailure(Streams& io, const gdal::LayerTable& table, const host::Status& status) {
  ReportProblem(io, "cannot read the fields of layer '" + table.name() +
                        "': " + value::ToUtf8(status.description()));
  return ExitCode::kFailure;
}

}  // namespace

ExitCode RunFields(std::span<const std::string_view> args, Streams& io) {
  ParsedArguments arguments;
  RecordFormat format = RecordFormat::kText;
  if (const auto done = ParseRecordArguments(args, kSyntax, io, arguments, format)) return *done;

  ExitCode exit_code = ExitCode::kOk;
  const std::unique_ptr<gdal::LayerTable> table =
      OpenCommandLayer(kCommand, arguments, io, exit_code);
  if (!table) return exit_code;

  host::HostFields* fields = nullptr;
  if (host::Status status = table->FieldList(fields); !status.ok()) {
    return ReportHostFailure(io, *table, status);
  }
  std::int32_t count = 0;
  if (host::Status status = fields->FieldCount(count); !status.ok()) {
    return ReportHostFailure(io, *table, status);
  }
  // The whole listing is made before anything is written, so a failure
  // never leaves half a listing on standard output.
  std::string listing;
  FieldLine line;
  for (std::int32_t i = 0; i < count; ++i) {
    if (host::Status status = ReadField(*fields, i, line); !status.ok()) {
      return ReportHostFailure(io, *table, status);
    }
    AppendLine(listing, line, format);
  }
  io.out << listing;
  return FlushStandardOutput(io);
}

}  // namespace pelt::tools
