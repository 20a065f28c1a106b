#pragma once

#include "pelt/errors/status.h"
#include "pelt/runtime/result.h"
#include "pelt/runtime/variant.h"

namespace pelt::runtime {

// Inside the library failures are Statuses; across the boundary they are a
// Result and, where the caller passed one, an exception record. These two
// functions are the only crossing between them.

// kOk for a success. A failure gives `failure` and fills record (when there
// is one) with the status's number, source and description.
Result ToResult(const errors::Status& status, ExceptionRecord* record,
                Result failure = Result::kException);

// Ok for a success. A failure is the one record describes, when it carries
// a number; else the result's own description under the runtime's source
// (running out of memory as the library's own "Out of memory").
errors::Status ToStatus(Result result, const ExceptionRecord* record = nullptr);

// Lets PELT_RETURN_IF_FAILED pass a failed Status on.
inline bool Failed(const errors::Status& status) { return !status.ok(); }

}  // namespace pelt::runtime
