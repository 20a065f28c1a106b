#pragma once

#include <exception>
#include <optional>
#include <string>

#include "pelt/runtime/object.h"
#include "pelt/runtime/result.h"

namespace pelt::runtime {

// The entry points a serving library exports with C linkage, and their names.
using GetClassObjectEntry = Result (*)(const ClassId* class_id, const InterfaceId* interface_id,
                                       void** out);
using CanUnloadNowEntry = Result (*)();  // kOk: may unload; kFalse: objects live
using RegisterServerEntry = Result (*)();
using UnregisterServerEntry = Result (*)();
inline constexpr char kGetClassObjectName[] = "DllGetClassObject";
inline constexpr char kCanUnloadNowName[] = "DllCanUnloadNow";
inline constexpr char kRegisterServerName[] = "DllRegisterServer";
inline constexpr char kUnregisterServerName[] = "DllUnregisterServer";

// The Result for the exception in flight: kOutOfMemory for std::bad_alloc,
// kUnexpected for anything else. Call only inside a handler.
Result CurrentExceptionResult() noexcept;

// Runs body (which returns a Result) so that no exception leaves it: the one
// catch-all of every function callable across the boundary.
template <class Body>
Result GuardBoundary(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return CurrentExceptionResult();
  }
}

// The absolute path of the loaded library (or program) that contains
// address, or nullopt when it cannot be found.
std::optional<std::string> LibraryPathOf(const void* address);

}  // namespace pelt::runtime
