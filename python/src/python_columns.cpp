#include "python_columns.h"

#include <pybind11/numpy.h>

#include "python_values.h"

namespace pelt::python {

std::u16string Utf16(const py::str& text) {
  std::u16string out;
  AppendUtf16(text.ptr(), out);
  return out;
}

namespace {

// Every row reads a cell of every array, so a short array would read
// beyond its end.
void CheckLength(const py::array& cells, std::size_t row_count) {
  if (cells.ndim() != 1 || static_cast<std::size_t>(cells.shape(0)) != row_count) {
    throw py::value_error("a column's cells must be one per row");
  }
}

}  // namespace

Column MakeColumn(const py::tuple& described, std::size_t row_count,
                  std::vector<py::object>& owners) {
  Column column;
  column.name = Utf16(described[0].cast<py::str>());
  column.type = static_cast<host::FieldType>(described[1].cast<std::int32_t>());
  column.kind = static_cast<CellKind>(described[2].cast<std::uint8_t>());
  if (column.kind > CellKind::kText) throw py::value_error("unknown cell kind");
  const py::object cells = described[3];
  if (!described[4].is_none()) {
    auto missing =
        py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>(described[4]);
    CheckLength(missing, row_count);
    column.missing = missing.data();
    owners.push_back(std::move(missing));
  }
  auto keep = [&](auto array) {
    CheckLength(array, row_count);
    column.cells = array.data();
    owners.push_back(std::move(array));
  };
  switch (column.kind) {
    case CellKind::kNone: break;
    case CellKind::kBoolean:
      keep(py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>(cells));
      break;
    case CellKind::kSmallInteger:
    case CellKind::kInteger:
    case CellKind::kDate:
      keep(py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>(cells));
      break;
    case CellKind::kReal:
      keep(py::array_t<double, py::array::c_style | py::array::forcecast>(cells));
      break;
    case CellKind::kText: {
      const auto items = py::array::ensure(cells, py::array::c_style);
      if (!items || items.dtype().kind() != 'O') {
        throw py::type_error("text cells must be an object array");
      }
      CheckLength(items, row_count);
      const auto count = static_cast<std::size_t>(items.shape(0));
      auto* const* objects = static_cast<PyObject* const*>(items.data());
      // Sized once: a character beyond the BMP takes two units.
      std::size_t units = 0;
      for (std::size_t i = 0; i < count; ++i) {
        PyObject* item = objects[i];
        if (item == nullptr || PyUnicode_Check(item) == 0) continue;
        const auto length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(item));
        units += PyUnicode_KIND(item) == PyUnicode_4BYTE_KIND ? 2 * length : length;
      }
      column.text.reserve(units);
      column.text_ends.reserve(count);
      column.text_null.reserve(count);
      for (std::size_t i = 0; i < count; ++i) {
        PyObject* item = objects[i];
        const bool is_text = item != nullptr && PyUnicode_Check(item) != 0;
        if (is_text) AppendUtf16(item, column.text);
        column.text_null.push_back(is_text ? 0 : 1);
        column.text_ends.push_back(column.text.size());
      }
      break;
    }
  }
  return column;
}

}  // namespace pelt::python
