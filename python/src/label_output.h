#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>

#include "frame_labels.h"

namespace pelt::python {

namespace py = pybind11;

// Refuses (ValueError) anything but a contiguous numpy object array of
// count slots.
void CheckLabelSlots(const py::array& out, std::size_t count);

// Writes the labels, stretch after stretch, into the slots of a numpy
// object array checked by CheckLabelSlots, from slot first on (one per
// label), replacing what the slots held. Needs the GIL.
void StoreLabels(const std::vector<Labels>& stretches, py::array& out, std::size_t first);

// text as a Python str; a lone surrogate becomes U+FFFD. Needs the GIL.
py::str PythonString(std::u16string_view text);

// (failed, first failed row, its message, unread date texts, the first
// one's row, its text) over all stretches.
py::tuple LabelSummary(const std::vector<Labels>& stretches);

}  // namespace pelt::python
