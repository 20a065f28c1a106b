#pragma once

#include <QVariant>
#include <vector>

#include "pelt/host/memory_table.h"
#include "pelt/value/variant.h"

class QgsFields;

namespace pelt::qgis {

// The fields as the library sees them, by field_types.def.
std::vector<host::FieldSpec> FieldSpecs(const QgsFields& fields);

// One attribute as the plugin's Python path reads it (qgis_values.py and
// the package): NULL as null, dates, times and date-times as dates, lists
// joined with "," as the GDAL adapter joins them, what has no label text
// as null. Keeps out's text storage.
void ReadValue(const QVariant& attribute, value::Variant& out);

}  // namespace pelt::qgis
