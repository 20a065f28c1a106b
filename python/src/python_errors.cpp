#include "python_errors.h"

namespace pelt::python {

void RegisterExceptions(py::module_& module) {
  auto& invalid =
      py::register_exception<InvalidExpressionError>(module, "InvalidExpression", PyExc_ValueError);
  // The package's name for it, which tracebacks show and pickles look up.
  invalid.attr("__module__") = "peltexpressions";
  invalid.attr("__doc__") =
      "The expression did not verify.\n\n"
      "A ValueError whose ``message`` (also ``str(error)``) is the library's text,\n"
      "such as 'Field \"X\" does not exist in attribute table!'.";
  const py::cpp_function message([](const py::object& self) {
    const py::tuple args = self.attr("args");
    return args.empty() ? py::object(py::str()) : args[0];
  });
  invalid.attr("message") = py::module_::import("builtins")
                                .attr("property")(message, py::none(), py::none(),
                                                  "The library's text, as str(error) shows it.");
}

void Raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

void StopIfInterrupted() {
  if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

}  // namespace pelt::python
