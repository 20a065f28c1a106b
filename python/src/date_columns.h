#pragma once

#include <cstdint>

#include "pelt/value/variant.h"

namespace pelt::python {

// A moment as numpy and datetime keep it: microseconds since 1970-01-01
// 00:00, without a time zone.
using EpochMicroseconds = std::int64_t;

// The value a GDAL date-time field with the same wall-clock time gives: a
// Date keeping fractions of a second, or ISO 8601 text for a moment outside
// the years serial dates cover, so such rows still get a label.
value::Variant DateValue(EpochMicroseconds moment);

}  // namespace pelt::python
