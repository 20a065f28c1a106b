#pragma once

#include "pelt/runtime/result.h"

namespace pelt::server {

// Enters this library's class and type library in the component registry,
// under the library's own absolute path, or removes them again (leaving
// every other entry as it is).
runtime::Result RegisterServer();
runtime::Result UnregisterServer();

}  // namespace pelt::server
