#include "label_output.h"

#include <algorithm>
#include <bit>
#include <string_view>

namespace pelt::python {

namespace {

// A label as a Python str. Most labels hold no surrogates and are copied
// straight; a lone surrogate becomes U+FFFD, as in the library's UTF-8.
PyObject* PythonText(std::u16string_view text) {
  const bool plain =
      std::none_of(text.begin(), text.end(), [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
  if (plain) {
    return PyUnicode_FromKindAndData(PyUnicode_2BYTE_KIND, text.data(),
                                     static_cast<Py_ssize_t>(text.size()));
  }
  int byte_order = std::endian::native == std::endian::little ? -1 : 1;
  return PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                               static_cast<Py_ssize_t>(text.size() * sizeof(char16_t)), "replace",
                               &byte_order);
}

}  // namespace

py::str PythonString(std::u16string_view text) {
  PyObject* made = PythonText(text);
  if (made == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(made);
}

void CheckLabelSlots(const py::array& out, std::size_t count) {
  if (out.dtype().kind() != 'O' || out.ndim() != 1 ||
      static_cast<std::size_t>(out.shape(0)) != count || (out.flags() & py::array::c_style) == 0) {
    throw py::value_error("out must be a contiguous object array with one slot per row");
  }
}

void StoreLabels(const std::vector<Labels>& stretches, py::array& out, std::size_t first) {
  std::size_t count = 0;
  for (const Labels& labels : stretches) count += labels.ends.size();
  if (first + count > static_cast<std::size_t>(out.shape(0))) {
    throw py::value_error("more labels than slots in out");
  }
  auto** slot = static_cast<PyObject**>(out.mutable_data()) + first;
  for (const Labels& labels : stretches) {
    std::size_t begin = 0;
    for (const std::size_t end : labels.ends) {
      PyObject* text = PythonText(std::u16string_view(labels.text).substr(begin, end - begin));
      if (text == nullptr) throw py::error_already_set();
      Py_XDECREF(*slot);
      *slot++ = text;
      begin = end;
    }
  }
}

py::tuple LabelSummary(const std::vector<Labels>& stretches) {
  const Labels summary = FailureSummary(stretches);
  return py::make_tuple(summary.failed, summary.first_failed_row, summary.first_failure,
                        summary.unread_dates, summary.first_unread_row,
                        PythonString(summary.first_unread_date));
}

}  // namespace pelt::python
