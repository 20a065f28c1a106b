// pelt-regsvr [-u] [-s] [--system] LIBRARY
//
// Registers the classes of a component library in the component registry
// (calling its DllRegisterServer), or with -u unregisters them (calling its
// DllUnregisterServer). -s keeps it silent: the exit status alone tells.
// --system uses the system registry instead of the user's (root only).
// Before it loads the library, it refuses a library or a registry that
// another account could change, as the runtime would.
//
// Exit status: 0 done; 1 bad command line; 2 the library cannot be loaded;
// 3 it does not export the entry point; 4 the entry point failed; 5 refused.

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "pelt/runtime/loader.h"
#include "pelt/runtime/registry.h"
#include "pelt/runtime/result.h"
#include "pelt/runtime/server_support.h"

namespace pelt::regsvr {
namespace {

using runtime::Result;

enum class Exit : int {
  kDone = 0,
  kUsage = 1,
  kCannotLoad = 2,
  kNoEntryPoint = 3,
  kEntryPointFailed = 4,
  kRefused = 5,
};

std::string Usage() {
  return R"(usage: pelt-regsvr [-u] [-s] [--system] LIBRARY
Registers the component classes of LIBRARY (a shared library exporting
DllRegisterServer) in the component registry.
  -u        unregister them instead (DllUnregisterServer)
  -s        silent: print nothing, report through the exit status only
  --system  use the system registry, whose classes every user can create
            (only root may change it)
The registry is $PELT_COMPONENT_REGISTRY, or pelt/components.registry under
$XDG_CONFIG_HOME (default ~/.config); the system registry is
)" + runtime::SystemRegistryPath().string() +
         R"(.
LIBRARY, the registry and every folder above them must belong to you or root
(the system registry: root) and be writable by neither group nor others:
hosts refuse anything another account could change.
Exit status: 0 done, 1 bad command line, 2 library cannot be loaded,
3 entry point missing, 4 entry point failed, 5 refused (the library or the
registry could be changed by another account, or --system without root).
)";
}

struct Options {
  bool unregister = false;
  bool silent = false;
  bool help = false;
  bool system = false;
  std::string library;
};

// Parses the command line; on error returns false with why filled in.
bool ParseArguments(int argc, char** argv, Options& options, std::string& why) {
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && (arg == "-h" || arg == "--help")) {
      options.help = true;
    } else if (!options_done && arg == "--system") {
      options.system = true;
    } else if (!options_done && arg.size() > 1 && arg.front() == '-') {
      for (char flag : arg.substr(1)) {  // "-us" is "-u -s"
        if (flag == 'u') {
          options.unregister = true;
        } else if (flag == 's') {
          options.silent = true;
        } else {
          why = "unknown option '" + std::string(arg) + "'";
          return false;
        }
      }
    } else if (options.library.empty()) {
      options.library = arg;
    } else {
      why = "one library at a time ('" + std::string(arg) + "' is one too many)";
      return false;
    }
  }
  if (options.library.empty() && !options.help) {
    why = "no library given";
    return false;
  }
  return true;
}

class Reporter {
 public:
  explicit Reporter(bool silent) : silent_(silent) {}
  void Say(const std::string& text) const {
    if (!silent_) std::printf("%s\n", text.c_str());
  }
  void Complain(const std::string& text) const {
    if (!silent_) std::fprintf(stderr, "pelt-regsvr: %s\n", text.c_str());
  }

 private:
  bool silent_;
};

runtime::TrustedOwners OwnersOf(const Options& options) {
  return options.system ? runtime::TrustedOwners::kRootOnly : runtime::TrustedOwners::kUserOrRoot;
}

// Why a registration failed, with the registry's own account when the
// registry is what failed.
std::string DescribeFailure(Result result, runtime::TrustedOwners owners) {
  std::string text = std::string(runtime::ResultName(result)) + ": " +
                     std::string(runtime::ResultDescription(result));
  if (result == Result::kRegistryCorrupt || result == Result::kRegistryIo ||
      result == Result::kRegistryUntrusted) {
    const std::filesystem::path registry = runtime::RegistryPath();
    runtime::RegistryContents ignored;
    std::string detail;
    if (runtime::Succeeded(runtime::ReadRegistry(registry, ignored, &detail, owners))) {
      detail.clear();
      static_cast<void>(runtime::CheckRegistryTrust(registry, owners, &detail));
    }
    if (!detail.empty()) text += "\n  " + detail;
  } else if (result == Result::kRegistryReadOnly) {
    text += "\n  " + runtime::RegistryPath().string();
  }
  return text;
}

// Points this process at the system registry, for root only: the library
// writes wherever RegistryPath() points.
bool UseSystemRegistry(const Reporter& reporter) {
  const std::string system = runtime::SystemRegistryPath().string();
  if (::geteuid() != 0) {
    reporter.Complain("--system changes the system registry " + system +
                      ", which only root may change; run the command as root, or leave out "
                      "--system to register the library for yourself");
    return false;
  }
  return ::setenv("PELT_COMPONENT_REGISTRY", system.c_str(), 1) == 0;
}

// Refuses, before any code of the library runs, what hosts would refuse: a
// registry or a library another account could change. The exit status, or
// nothing when the library may be loaded by load_path.
std::optional<Exit> Refusal(const Options& options, const char* library, std::string& load_path,
                            const Reporter& reporter) {
  std::string why;
  if (runtime::CheckRegistryTrust(runtime::RegistryPath(), OwnersOf(options), &why) ==
      Result::kRegistryUntrusted) {
    reporter.Complain(why);
    return Exit::kRefused;
  }
  const Result library_check = runtime::CheckLibrary(library, load_path, &why);
  if (runtime::Failed(library_check)) {
    reporter.Complain(why);
    return library_check == Result::kLibraryUntrusted ? Exit::kRefused : Exit::kCannotLoad;
  }
  return std::nullopt;
}

Exit Run(const Options& options) {
  const Reporter reporter(options.silent);
  if (options.system && !UseSystemRegistry(reporter)) return Exit::kRefused;
  // The library is always a file: resolving it first keeps dlopen from
  // searching the system's folders and gives the absolute path it registers.
  char resolved[PATH_MAX];
  if (::realpath(options.library.c_str(), resolved) == nullptr) {
    reporter.Complain("cannot load " + options.library + ": " + std::strerror(errno));
    return Exit::kCannotLoad;
  }
  std::string load_path;
  if (const std::optional<Exit> refusal = Refusal(options, resolved, load_path, reporter)) {
    return *refusal;
  }
  void* library = ::dlopen(load_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = ::dlerror();
    reporter.Complain("cannot load " + options.library + ": " +
                      (why != nullptr ? why : "unknown error"));
    return Exit::kCannotLoad;
  }
  const char* entry_name =
      options.unregister ? runtime::kUnregisterServerName : runtime::kRegisterServerName;
  auto entry = reinterpret_cast<runtime::RegisterServerEntry>(::dlsym(library, entry_name));
  if (entry == nullptr) {
    reporter.Complain(std::string(resolved) + " does not export " + entry_name +
                      ": it is not a component library");
    return Exit::kNoEntryPoint;
  }
  // The library stays loaded until the tool exits: whatever it set up while
  // registering is left to the end of the process, as in any other host.
  const Result result = entry();
  if (runtime::Failed(result)) {
    reporter.Complain(std::string(entry_name) + " in " + resolved +
                      " failed: " + DescribeFailure(result, OwnersOf(options)));
    return Exit::kEntryPointFailed;
  }
  reporter.Say(std::string(options.unregister ? "unregistered " : "registered ") + resolved +
               (options.unregister ? " from " : " in ") + runtime::RegistryPath().string());
  return Exit::kDone;
}

}  // namespace
}  // namespace pelt::regsvr

int main(int argc, char** argv) {
  using pelt::regsvr::Exit;
  try {
    pelt::regsvr::Options options;
    std::string why;
    if (!pelt::regsvr::ParseArguments(argc, argv, options, why)) {
      if (!options.silent) {
        std::fprintf(stderr, "pelt-regsvr: %s\n%s", why.c_str(), pelt::regsvr::Usage().c_str());
      }
      return static_cast<int>(Exit::kUsage);
    }
    if (options.help) {
      std::fputs(pelt::regsvr::Usage().c_str(), stdout);
      return static_cast<int>(Exit::kDone);
    }
    return static_cast<int>(pelt::regsvr::Run(options));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelt-regsvr: %s\n", e.what());
    return static_cast<int>(Exit::kEntryPointFailed);
  }
}
