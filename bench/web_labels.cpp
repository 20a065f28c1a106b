// The playground module's batch labelling, timed: built natively
// (web_labels_native) and for WebAssembly (web_labels_bench, run by node),
// so that bench/web_labels.mjs compares the same code in both builds. The
// rows are packed into cells as pelt.mjs packs them, 4,096 rows a batch;
// only the labelling calls are timed. Prints each expression's best time in
// milliseconds, and the length of its labels, as JSON.
//   web_labels_native [ROWS [EXPRESSION]]   (another expression: for profiling)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cells.h"
#include "pelt/value/text.h"
#include "prepared_labels.h"

namespace {

using pelt::web::CellKind;
using pelt::web::PreparedLabels;

constexpr const char* kExpressions[] = {"[NAME].UCase - [POP].FormatNumber(0)",
                                        "[AREA].Format(#,##0.00)"};
constexpr std::size_t kBatchRows = 4096;  // pelt.mjs's batch

// One generated row, by the formulas web_labels.mjs uses.
struct Row {
  std::string name;
  double pop;
  double area;
};

std::vector<Row> Rows(std::size_t count) {
  std::vector<Row> rows;
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    rows.push_back({"Place " + std::to_string(i) + (i % 3 == 0 ? " Nord" : ""),
                    static_cast<double>(i * 7919 % 10000000), static_cast<double>(i) * 0.37 + 0.005});
  }
  return rows;
}

// Writes rows [first, end) into the batch's cells for the fields read, as
// pelt.mjs does; the UTF-8 byte count of the texts.
std::size_t Pack(PreparedLabels& prepared, const std::vector<Row>& rows, std::size_t first,
                 std::size_t end) {
  const std::vector<std::size_t>& read = prepared.FieldsRead();
  const std::size_t cells = (end - first) * read.size();
  std::string text;
  std::vector<std::uint8_t> kinds;
  std::vector<double> numbers;
  std::vector<std::uint32_t> ends;
  for (std::size_t r = first; r < end; ++r) {
    for (const std::size_t field : read) {
      if (field == 0) {
        kinds.push_back(static_cast<std::uint8_t>(CellKind::kText));
        numbers.push_back(0);
        text += rows[r].name;  // ASCII: UTF-16 units are bytes
      } else {
        kinds.push_back(static_cast<std::uint8_t>(field == 1 ? CellKind::kInteger : CellKind::kDouble));
        numbers.push_back(field == 1 ? rows[r].pop : rows[r].area);
      }
      ends.push_back(static_cast<std::uint32_t>(text.size()));
    }
  }
  prepared.ReserveCells(cells, text.size());
  pelt::web::CellBatch& batch = prepared.cells();
  std::memcpy(reinterpret_cast<void*>(batch.KindsAddress()), kinds.data(), kinds.size());
  std::memcpy(reinterpret_cast<void*>(batch.NumbersAddress()), numbers.data(),
              numbers.size() * sizeof(double));
  std::memcpy(reinterpret_cast<void*>(batch.TextEndsAddress()), ends.data(),
              ends.size() * sizeof(std::uint32_t));
  std::memcpy(reinterpret_cast<void*>(batch.TextAddress()), text.data(), text.size());
  return text.size();
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 100000;
  const std::vector<Row> rows = Rows(count);
  const std::vector<pelt::host::FieldSpec> fields = {{u"NAME", pelt::host::FieldType::kString},
                                                     {u"POP", pelt::host::FieldType::kInteger},
                                                     {u"AREA", pelt::host::FieldType::kDouble}};
  std::printf("{");
  const char* separator = "";
  std::vector<const char*> expressions(std::begin(kExpressions), std::end(kExpressions));
  if (argc > 2) expressions.assign(argv + 2, argv + argc);
  for (const char* expression : expressions) {
    double best = 1e300;
    std::size_t length = 0;
    for (int run = 0; run < 5; ++run) {
      PreparedLabels prepared(expression, fields, "en_US");
      double took = 0;
      length = 0;
      for (std::size_t first = 0; first < count; first += kBatchRows) {
        const std::size_t end = std::min(count, first + kBatchRows);
        const std::size_t text_bytes = Pack(prepared, rows, first, end);
        const auto start = std::chrono::steady_clock::now();
        prepared.LabelRows(end - first, text_bytes, false, static_cast<double>(first + 1));
        took += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
        // The labels' UTF-16 length and a line end each, as web_labels.mjs counts them.
        const auto* label_ends = reinterpret_cast<const std::uint32_t*>(prepared.LabelEndsAddress());
        length += label_ends[end - first - 1] + (end - first);
      }
      best = std::min(best, took);
    }
    std::printf("%s\"%s\": {\"ms\": %.1f, \"chars\": %zu}", separator, expression, best, length);
    separator = ", ";
  }
  std::printf("}\n");
  return 0;
}
