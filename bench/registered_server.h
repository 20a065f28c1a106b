#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "pelt/runtime/loader.h"
#include "pelt/runtime/server_support.h"

// The server library registered for one benchmark run, in a registry file of
// a temporary directory (never the user's), unregistered and unloaded at the
// end. PELT_SERVER_LIBRARY names the library.
namespace pelt::bench {

// A directory of its own holding the registry file the runtime uses here.
class TemporaryRegistry {
 public:
  TemporaryRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelt-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    dir_ = pattern;
    setenv("PELT_COMPONENT_REGISTRY", (dir_ / "components.registry").c_str(), 1);
  }
  ~TemporaryRegistry() {
    unsetenv("PELT_COMPONENT_REGISTRY");
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  TemporaryRegistry(const TemporaryRegistry&) = delete;
  TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;
  bool ok() const { return !dir_.empty(); }

 private:
  std::filesystem::path dir_;
};

// The server library opened and registered as a registering tool does it;
// objects are then created by program id through the runtime's loader.
class RegisteredServer {
 public:
  RegisteredServer() : library_(dlopen(PELT_SERVER_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
    if (library_ == nullptr) return;
    const auto reg = Entry<runtime::RegisterServerEntry>(runtime::kRegisterServerName);
    registered_ = reg != nullptr && reg() == runtime::Result::kOk;
  }
  ~RegisteredServer() {
    if (library_ == nullptr) return;
    const auto unreg = Entry<runtime::UnregisterServerEntry>(runtime::kUnregisterServerName);
    if (registered_ && unreg != nullptr) (void)unreg();
    (void)runtime::FreeUnusedLibraries();
    dlclose(library_);
  }
  RegisteredServer(const RegisteredServer&) = delete;
  RegisteredServer& operator=(const RegisteredServer&) = delete;
  bool ok() const { return registered_; }

 private:
  template <class F>
  F Entry(const char* name) {
    return reinterpret_cast<F>(dlsym(library_, name));
  }
  void* library_;
  bool registered_ = false;
};

}  // namespace pelt::bench
