#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cells.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/host/run_words.h"

namespace pelt::web {

// An expression verified once against a table's fields, then labelling
// batches of rows that pelt.mjs packs into cells() (one cell per field the
// expression reads, row after row): one call per batch, not per row.
// Plain C++ (module.cpp binds it), so that it also builds natively.
class PreparedLabels {
 public:
  PreparedLabels(const std::string& expression, std::vector<host::FieldSpec> fields,
                 const std::string& locale_id);

  bool Valid() const { return valid_; }
  // The library's message when the expression is invalid.
  std::string Message() const { return message_; }
  // The indices of the fields the expression reads, in field order.
  const std::vector<std::size_t>& FieldsRead() const { return read_; }

  // A reserved word of the caller's (key without "$$"); false when given
  // twice. DATE and TIME of now are added at the first batch unless given.
  bool GiveWord(const std::string& key, int kind, double number, const std::string& text);

  CellBatch& cells() { return cells_; }
  void ReserveCells(std::size_t cells, std::size_t text_units) { cells_.Resize(cells, text_units); }
  void ReserveFids(std::size_t rows) { cells_.ResizeFids(rows); }

  // Labels the rows of the batch, whose texts take text_bytes; a label
  // that fails is "", counted. With fids, FID and ROW (first_row for the
  // first, counting up) are supplied.
  void LabelRows(std::size_t rows, std::size_t text_bytes, bool fids, double first_row);
  // The labels of the last batch: UTF-8 one after another, and the end of
  // each in UTF-16 units.
  std::uintptr_t LabelsAddress() const;
  std::size_t LabelsLength() const { return labels_utf8_.size(); }
  std::uintptr_t LabelEndsAddress() const;
  std::size_t Failed() const { return failed_; }

 private:
  std::string locale_id_;
  std::u16string expression_;
  std::size_t field_count_ = 0;  // before table_, which takes the fields
  host::MemoryTable table_;
  std::vector<std::size_t> read_;
  bool valid_ = false;
  std::string message_;
  evaluator::PeltExpressionEvaluator evaluator_;
  host::RunWords words_;
  bool started_ = false;
  CellBatch cells_;
  std::u16string labels_;
  std::string labels_utf8_;
  std::vector<std::uint32_t> label_ends_;
  std::size_t failed_ = 0;
};

}  // namespace pelt::web
