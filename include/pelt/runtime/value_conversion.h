#pragma once

#include "pelt/runtime/variant.h"
#include "pelt/value/variant.h"

namespace pelt::runtime {

// The runtime form of a value (a new Text for strings). kOutOfMemory leaves
// out empty.
Result ToRuntimeVariant(const value::Variant& in, Variant& out);
// The value form of a runtime variant, following one reference. Objects and
// broken references have no value form: kTypeMismatch.
Result FromRuntimeVariant(const Variant& in, value::Variant& out);

}  // namespace pelt::runtime
