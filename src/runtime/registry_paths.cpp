// Where the registries are.

#include <cstdlib>

#include "pelt/runtime/registry.h"

#ifndef PELT_SYSTEM_REGISTRY
#error "PELT_SYSTEM_REGISTRY names the system registry; the build defines it"
#endif

namespace pelt::runtime {
namespace {

const char* Setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::filesystem::path RegistryPath() {
  if (const char* explicit_path = Setting("PELT_COMPONENT_REGISTRY")) return explicit_path;
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    config = xdg;
  } else if (const char* home = Setting("HOME")) {
    config = std::filesystem::path(home) / ".config";
  } else {
    config = ".";
  }
  return config / "pelt" / "components.registry";
}

// The override only moves the file: ReadRegistry still wants it root's.
std::filesystem::path SystemRegistryPath() {
  if (const char* explicit_path = Setting("PELT_SYSTEM_COMPONENT_REGISTRY")) return explicit_path;
  return PELT_SYSTEM_REGISTRY;
}

}  // namespace pelt::runtime
