#pragma once

#include <emscripten/val.h>

#include <vector>

#include "pelt/host/memory_table.h"

namespace pelt::web {

// A JavaScript array of {name, type} (type a field type code, which pelt.mjs
// finds from the type's name) as the fields of a host table.
std::vector<host::FieldSpec> TableFieldsOf(const emscripten::val& fields);

}  // namespace pelt::web
