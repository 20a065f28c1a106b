// The library's four exported entry points. Each hands over to the server
// code under the one catch-all of the boundary; nothing else is exported.

#include "class_factory.h"
#include "module_state.h"
#include "pelt/runtime/boundary_guard.h"
#include "pelt/server/export.h"
#include "registration.h"

using pelt::runtime::ClassId;
using pelt::runtime::GuardBoundary;
using pelt::runtime::InterfaceId;
using pelt::runtime::Result;

extern "C" {

PELT_SERVER_EXPORT Result DllRegisterServer() {
  return GuardBoundary([] { return pelt::server::RegisterServer(); });
}

PELT_SERVER_EXPORT Result DllUnregisterServer() {
  return GuardBoundary([] { return pelt::server::UnregisterServer(); });
}

PELT_SERVER_EXPORT Result DllGetClassObject(const ClassId* class_id,
                                            const InterfaceId* interface_id, void** out) {
  return GuardBoundary([&] { return pelt::server::GetClassObject(class_id, interface_id, out); });
}

// kOk when no object of this library is alive and no factory lock is held.
PELT_SERVER_EXPORT Result DllCanUnloadNow() {
  return GuardBoundary(
      [] { return pelt::server::ModuleState::CanUnload() ? Result::kOk : Result::kFalse; });
}

}  // extern "C"
