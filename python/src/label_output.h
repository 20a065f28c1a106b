#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <vector>

#include "frame_labels.h"

namespace pelt::python {

namespace py = pybind11;

// Writes the labels, stretch after stretch, into the slots of a numpy
// object array (one per label), replacing what the slots held. Needs the GIL.
void StoreLabels(const std::vector<Labels>& stretches, py::array& out);

// (failed, first failed row, its message) over all stretches.
py::tuple LabelSummary(const std::vector<Labels>& stretches);

}  // namespace pelt::python
