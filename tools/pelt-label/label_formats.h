#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelt::tools {

// How the label command writes its labels on a stream.
//   text:  the label, with backslash, newline and carriage return written as
//          \\, \n and \r, so that every label is one line
//   jsonl: {"fid": 1, "label": "..."} per line
//   csv:   a header "fid,label", then one record per feature; a field with a
//          comma, a quote or a line break is quoted, quotes doubled (RFC 4180)
enum class LabelFormat { kText, kJsonLines, kCsv };

// Appends text with backslash, newline and carriage return written as \\, \n
// and \r, so that it takes one line.
void AppendOnOneLine(std::string_view text, std::string& out);

// False for a name other than text, jsonl and csv.
bool ParseLabelFormat(std::string_view name, LabelFormat& format);

// What comes before the first record: the CSV header, nothing otherwise.
void AppendHeader(LabelFormat format, std::string& out);

// Appends one feature's record, line end included.
void AppendRecord(LabelFormat format, std::int64_t fid, std::string_view label, std::string& out);

}  // namespace pelt::tools
