#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

namespace pelt::python {

namespace py = pybind11;

// An expression that did not verify; what() is the library's message.
// Python sees peltexpressions.InvalidExpression, a ValueError.
class InvalidExpressionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Registers the package's own exception classes in module.
void RegisterExceptions(py::module_& module);

// Raises a built-in Python exception (PyExc_OSError …) with message. Needs
// the GIL.
[[noreturn]] void Raise(PyObject* type, const std::string& message);

// Runs Python's signal handlers and, when one raises (KeyboardInterrupt on
// Ctrl-C), ends the call with that exception. Needs the GIL; does nothing
// off the main thread, where Python runs no handler.
void StopIfInterrupted();

}  // namespace pelt::python
