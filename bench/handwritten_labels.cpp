// The yardstick for pelt-label's speed: what a programmer would write by
// hand to make "[NAME].UCase - [POP].FormatNumber(0)" (en_US grouping) for
// every feature of a layer, straight over GDAL's C API. It reads only the two
// fields (the others and the geometry ignored), builds each line in one
// buffer and writes it in large blocks. The names are ASCII in the benchmark
// data, so an ASCII upper case is the same text.
//
//   handwritten_labels [--format text|jsonl|csv] [--output FILE] SOURCE
#include <gdal.h>
#include <ogr_api.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class Format { kText, kJsonLines, kCsv };

void AppendGrouped(std::int64_t n, std::string& out) {
  if (n < 0) {
    out += '-';
    n = -n;
  }
  char digits[24];
  const int count = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(n));
  for (int i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) out += ',';
    out += digits[i];
  }
}

void AppendLabel(const char* name, std::int64_t pop, std::string& out) {
  for (const char* c = name; *c != '\0'; ++c) {
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  }
  out += " - ";
  AppendGrouped(pop, out);
}

// The label written as the chosen format writes one record.
void AppendRecord(Format format, std::int64_t fid, const std::string& label, std::string& out) {
  switch (format) {
    case Format::kText: out += label; break;
    case Format::kJsonLines:
      out += "{\"fid\": " + std::to_string(fid) + ", \"label\": \"";
      for (const char c : label) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
      }
      out += "\"}";
      break;
    case Format::kCsv:
      out += std::to_string(fid);
      out += ',';
      if (label.find_first_of(",\"\n\r") == std::string::npos) {
        out += label;
      } else {
        out += '"';
        for (const char c : label) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        out += '"';
      }
      break;
  }
  out += '\n';
}

}  // namespace

int main(int argc, char** argv) {
  Format format = Format::kText;
  const char* output = nullptr;
  const char* source = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--format" && i + 1 < argc) {
      const std::string_view name = argv[++i];
      format = name == "jsonl" ? Format::kJsonLines : name == "csv" ? Format::kCsv : Format::kText;
    } else if (arg == "--output" && i + 1 < argc) {
      output = argv[++i];
    } else {
      source = argv[i];
    }
  }
  if (source == nullptr) {
    std::fprintf(stderr, "usage: handwritten_labels [--format F] [--output FILE] SOURCE\n");
    return 2;
  }
  GDALAllRegister();
  GDALDatasetH dataset = GDALOpenEx(source, GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  if (dataset == nullptr) return 2;
  OGRLayerH layer = GDALDatasetGetLayer(dataset, 0);
  OGRFeatureDefnH definition = OGR_L_GetLayerDefn(layer);
  const int name_field = OGR_FD_GetFieldIndex(definition, "NAME");
  const int pop_field = OGR_FD_GetFieldIndex(definition, "POP");
  std::vector<const char*> ignored = {"OGR_GEOMETRY", "OGR_STYLE"};
  for (int i = 0; i < OGR_FD_GetFieldCount(definition); ++i) {
    if (i != name_field && i != pop_field) {
      ignored.push_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(definition, i)));
    }
  }
  ignored.push_back(nullptr);
  OGR_L_SetIgnoredFields(layer, ignored.data());

  std::FILE* out = output != nullptr ? std::fopen(output, "wb") : stdout;
  if (out == nullptr) return 1;
  std::string buffer;
  std::string label;
  if (format == Format::kCsv) buffer += "fid,label\n";
  OGR_L_ResetReading(layer);
  while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
    label.clear();
    AppendLabel(OGR_F_GetFieldAsString(feature, name_field),
                OGR_F_GetFieldAsInteger64(feature, pop_field), label);
    AppendRecord(format, OGR_F_GetFID(feature), label, buffer);
    OGR_F_Destroy(feature);
    if (buffer.size() >= (1 << 16)) {
      std::fwrite(buffer.data(), 1, buffer.size(), out);
      buffer.clear();
    }
  }
  std::fwrite(buffer.data(), 1, buffer.size(), out);
  const bool written = std::fflush(out) == 0 && (out == stdout || std::fclose(out) == 0);
  GDALClose(dataset);
  return written ? 0 : 1;
}
