#pragma once

#include <pybind11/pybind11.h>

#include "locale_scope.h"

namespace pelt::python {

namespace py = pybind11;

// A stretch of work that needs no Python object: the GIL is released, so
// other Python threads run meanwhile, and the caller's locale is in force.
// Members end in reverse order: the locale is given back before the GIL is
// taken again, so that no thread waits for a locale while holding the GIL.
class WithoutPython {
 public:
  explicit WithoutPython(const value::LocaleData* locale) : locale_(locale) {}

 private:
  py::gil_scoped_release released_;
  LocaleScope locale_;
};

}  // namespace pelt::python
