#pragma once

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

// The absolute path of the loaded library (or program) that contains
// address, or nullopt when it cannot be found.
std::optional<std::string> LibraryPathOf(const void* address);

}  // namespace pelt::runtime
