#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pelt/value/variant.h"

namespace pelt::python {

namespace py = pybind11;

// The caller's reserved words: names without "$$" and their values.
using PythonWords = std::vector<std::pair<py::str, value::Variant>>;

// The calls of peltexpressions._core that verify and label. Each releases
// the GIL while the library works, in the caller's locale (None: the
// environment's; the caller has checked the id). Labelling goes in batches
// with Python's signal handlers run between them, so that Ctrl-C stops a
// long call with KeyboardInterrupt.

// The verdict on an expression against fields given as (name, type code):
// (valid, message, positions of the fields it names, warning texts). words:
// the caller's reserved words, which with DATE and TIME are those a label
// run supplies; None checks no word.
py::tuple Verify(const py::str& expression, const std::vector<py::tuple>& fields,
                 const std::optional<std::string>& locale_id,
                 const std::optional<PythonWords>& words);

// Verifies once, then labels every row of the described columns into out,
// a numpy object array with one slot per row. Returns the failure summary
// (see LabelSummary). Raises InvalidExpression, or ValueError for a word
// given twice.
py::tuple LabelFrame(const py::str& expression, const std::vector<py::tuple>& described,
                     std::size_t row_count, const PythonWords& words,
                     const std::optional<std::string>& locale_id, int jobs, std::int64_t now,
                     py::array out);

// Labels the features of a GDAL source's layer: (labels, feature ids, failure
// summary). warn is called with the warning texts about the expression once
// it is verified, valid or not. Raises FileNotFoundError, OSError (not
// readable, reading failed), ValueError (a bad layer choice or open option, a
// condition the driver refuses, a word given twice) or InvalidExpression.
py::tuple LabelGdalSource(const std::string& path, const py::object& layer,
                          const std::vector<std::string>& open_options,
                          const std::optional<std::string>& where, const py::str& expression,
                          const PythonWords& words, const std::optional<std::string>& locale_id,
                          std::int64_t now, const py::object& warn);

// Labels the features as LabelGdalSource does and writes them, with the
// label in a new text field, into a new dataset at to made by driver:
// (feature ids, failure summary, [(field asked, field written)]). Raises as
// LabelGdalSource does, and FileExistsError (output there, overwrite off),
// ValueError (the output would replace the source, the field exists, a
// driver that cannot write) or OSError (writing failed; nothing is left at
// to).
py::tuple CopyGdalSource(const std::string& path, const py::object& layer,
                         const std::vector<std::string>& open_options,
                         const std::optional<std::string>& where, const py::str& expression,
                         const PythonWords& words, const std::optional<std::string>& locale_id,
                         std::int64_t now, const py::object& warn, const std::string& to,
                         const std::string& driver, const std::string& field, bool overwrite,
                         const std::string& layer_name);

}  // namespace pelt::python
