#pragma once

#include <ogr_feature.h>

#include "adapters/gdal/layer_fields.h"
#include "pelt/errors/status.h"
#include "pelt/value/variant.h"

namespace pelt::gdal::internal {

// Reads one column of a feature as a value:
//   unset and null fields           Null
//   Booleans                        Boolean
//   16-bit integers                 Integer
//   other integers and feature ids  Long, or Double beyond the 32-bit range
//   reals                           Double
//   text                            String (UTF-8 read as UTF-16)
//   dates, times, date-times        Date serials, wall-clock time as stored
//                                   (the time zone is ignored); a time alone
//                                   is a serial in [0, 1). Dates outside the
//                                   years 100 to 9999 have no serial and come
//                                   as their ISO 8601 text instead.
//   lists                           String, elements joined with ","
//   binary and geometry             a Type mismatch failure: they have no
//                                   value a label could show
errors::Status ReadFieldValue(const OGRFeature& feature, const LayerField& field,
                              value::Variant& value);

// A 64-bit integer as Long when it fits, otherwise as Double.
value::Variant WideIntegerValue(GIntBig number);

}  // namespace pelt::gdal::internal
