#include "label_formats.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "json_text.h"

namespace pelt::tools {

void AppendOnOneLine(std::string_view text, std::string& out) {
  // By runs: most labels have nothing to escape and go in with one append.
  while (!text.empty()) {
    std::size_t special = 0;
    while (special < text.size() && text[special] != '\\' && text[special] != '\n' &&
           text[special] != '\r') {
      ++special;
    }
    out.append(text.substr(0, special));
    if (special == text.size()) return;
    switch (text[special]) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      default: out += "\\r"; break;
    }
    text.remove_prefix(special + 1);
  }
}

namespace {

void AppendInteger(std::int64_t number, std::string& out) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), number);
  out.append(digits, end.ptr);
}

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
  while (!text.empty()) {
    const std::size_t quote = std::min(text.find('"'), text.size());
    out.append(text.substr(0, quote));
    if (quote == text.size()) break;
    out += "\"\"";
    text.remove_prefix(quote + 1);
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
      AppendInteger(fid, out);
      out += ", \"label\": ";
      AppendJsonString(out, label);
      out += "}\n";
      return;
    case LabelFormat::kCsv:
      AppendInteger(fid, out);
      out += ',';
      AppendCsvField(label, out);
      out += '\n';
      return;
  }
}

}  // namespace pelt::tools
