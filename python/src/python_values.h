#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "pelt/value/variant.h"

namespace pelt::python {

namespace py = pybind11;

// The text of a Python str as UTF-16, read from its own storage without a
// round trip through UTF-8, so that no str fails to convert (lone
// surrogates stay as they are). Needs the GIL.
void AppendUtf16(PyObject* text, std::u16string& out);

// Builds the value a Python scalar stands for, the Python side having
// sorted it into one of these kinds first.
struct ValueBuilders {
  static value::Variant Null();
  static value::Variant Boolean(bool b);
  // A Long within 32 bits, a Double beyond, as 64-bit integer fields read.
  static value::Variant Integer(std::int64_t number);
  static value::Variant Double(double number);
  static value::Variant Text(const py::str& text);
  // Microseconds since 1970-01-01 00:00, wall-clock time.
  static value::Variant Date(std::int64_t microseconds);
};

// A value back as a Python object: None, bool, int, float, str or
// datetime.datetime. Currency gives a float.
py::object ToPython(const value::Variant& value);

}  // namespace pelt::python
