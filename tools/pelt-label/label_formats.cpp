#include "label_formats.h"

#include "json_text.h"

namespace pelt::tools {

void AppendOnOneLine(std::string_view text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

namespace {

void AppendTextLine(std::string_view label, std::string& out) {
  AppendOnOneLine(label, out);
  out += '\n';
}

void AppendCsvField(std::string_view text, std::string& out) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

bool ParseLabelFormat(std::string_view name, LabelFormat& format) {
  if (name == "text") {
    format = LabelFormat::kText;
  } else if (name == "jsonl") {
    format = LabelFormat::kJsonLines;
  } else if (name == "csv") {
    format = LabelFormat::kCsv;
  } else {
    return false;
  }
  return true;
}

void AppendHeader(LabelFormat format, std::string& out) {
  if (format == LabelFormat::kCsv) out += "fid,label\n";
}

void AppendRecord(LabelFormat format, std::int64_t fid, std::string_view label, std::string& out) {
  switch (format) {
    case LabelFormat::kText: AppendTextLine(label, out); return;
    case LabelFormat::kJsonLines:
      out += "{\"fid\": ";
      out += std::to_string(fid);
      out += ", \"label\": ";
      AppendJsonString(out, label);
      out += "}\n";
      return;
    case LabelFormat::kCsv:
      out += std::to_string(fid);
      out += ',';
      AppendCsvField(label, out);
      out += '\n';
      return;
  }
}

}  // namespace pelt::tools
