#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "label_calls.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/locale.h"

namespace pelt::python {

namespace py = pybind11;

// An expression verified once against a table's fields, then labelling
// rows of values in field order: what a host that labels one feature at a
// time (a GIS's expression function) keeps, so that it pays for no
// verification per feature. Calls from several threads take turns.
class PreparedExpression {
 public:
  // fields as (name, type code). to_value turns a Python value the core
  // does not read itself (a date, numpy scalars, bytes) into a Value.
  // Raises InvalidExpression with the library's message.
  PreparedExpression(const py::str& expression, const std::vector<py::tuple>& fields,
                     const std::optional<std::string>& locale_id, py::object to_value);

  // The label of one row, "" when it fails; words are the row's reserved
  // words (DATE and TIME of now are added unless given).
  py::str Label(const py::sequence& values, const PythonWords& words);

  // The labels of many rows, made without the GIL. With fids, FID and ROW
  // (first_row for the first row, counting up) are supplied per row as
  // pelt-label supplies them. Failed labels are "", counted in the
  // failure summary that comes second.
  py::tuple LabelRows(const py::sequence& rows, const PythonWords& words,
                      const std::optional<std::vector<std::int64_t>>& fids,
                      std::int64_t first_row);

  // The field names and reserved words (without "$$") the expression
  // uses, each once, as written.
  py::list FieldsUsed() const;
  py::list WordsUsed() const;

 private:
  std::vector<value::Variant> RowValues(const py::handle& row);
  value::Variant CellValue(const py::handle& cell);

  std::u16string expression_;
  host::MemoryTable table_;
  std::size_t field_count_ = 0;
  // Per field, whether the expression reads it: only those values are
  // converted, so a row may carry values no label reads (blobs).
  std::vector<bool> read_;
  const value::LocaleData* locale_ = nullptr;
  py::object to_value_;
  // The evaluator works without the GIL, so it has a lock of its own
  // (a GIS renders layers on several threads).
  std::mutex evaluator_lock_;
  evaluator::PeltExpressionEvaluator evaluator_;
  std::vector<std::u16string> fields_used_;
  std::vector<std::u16string> words_used_;
};

}  // namespace pelt::python
