#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <vector>

#include "column_table.h"

namespace pelt::python {

namespace py = pybind11;

// A Python str as UTF-16.
std::u16string Utf16(const py::str& text);

// A column as the Python side hands it over: (name, type code, cell kind,
// cells, missing), with one cell per row. Numeric cells stay in the
// caller's arrays, which are kept in owners while the table lives; text is
// copied, so that labels are made without Python. Needs the GIL.
Column MakeColumn(const py::tuple& described, std::size_t row_count,
                  std::vector<py::object>& owners);

}  // namespace pelt::python
