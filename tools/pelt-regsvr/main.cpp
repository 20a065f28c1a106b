// pelt-regsvr [-u] [-s] LIBRARY
//
// Registers the classes of a component library in the component registry
// (calling its DllRegisterServer), or with -u unregisters them (calling its
// DllUnregisterServer). -s keeps it silent: the exit status alone tells.
//
// Exit status: 0 done; 1 bad command line; 2 the library cannot be loaded;
// 3 it does not export the entry point; 4 the entry point failed.

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

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
};

constexpr std::string_view kUsage =
    "usage: pelt-regsvr [-u] [-s] LIBRARY\n"
    "Registers the component classes of LIBRARY (a shared library exporting\n"
    "DllRegisterServer) in the component registry.\n"
    "  -u  unregister them instead (DllUnregisterServer)\n"
    "  -s  silent: print nothing, report through the exit status only\n"
    "The registry is $PELT_COMPONENT_REGISTRY, or pelt/components.registry under\n"
    "$XDG_CONFIG_HOME (default ~/.config).\n"
    "Exit status: 0 done, 1 bad command line, 2 library cannot be loaded,\n"
    "3 entry point missing, 4 entry point failed.\n";

struct Options {
  bool unregister = false;
  bool silent = false;
  bool help = false;
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

// Why a registration failed, with the registry's own account when the
// registry is what failed.
std::string DescribeFailure(Result result) {
  std::string text = std::string(runtime::ResultName(result)) + ": " +
                     std::string(runtime::ResultDescription(result));
  if (result == Result::kRegistryCorrupt || result == Result::kRegistryIo) {
    runtime::RegistryContents ignored;
    std::string detail;
    if (runtime::Failed(runtime::ReadRegistry(runtime::RegistryPath(), ignored, &detail)) &&
        !detail.empty()) {
      text += "\n  " + detail;
    }
  } else if (result == Result::kRegistryReadOnly) {
    text += "\n  " + runtime::RegistryPath().string();
  }
  return text;
}

Exit Run(const Options& options) {
  const Reporter reporter(options.silent);
  // The library is always a file: resolving it first keeps dlopen from
  // searching the system's folders and gives the absolute path it registers.
  char resolved[PATH_MAX];
  if (::realpath(options.library.c_str(), resolved) == nullptr) {
    reporter.Complain("cannot load " + options.library + ": " + std::strerror(errno));
    return Exit::kCannotLoad;
  }
  void* library = ::dlopen(resolved, RTLD_NOW | RTLD_LOCAL);
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
                      " failed: " + DescribeFailure(result));
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
        std::fprintf(stderr, "pelt-regsvr: %s\n%s", why.c_str(), pelt::regsvr::kUsage.data());
      }
      return static_cast<int>(Exit::kUsage);
    }
    if (options.help) {
      std::fputs(pelt::regsvr::kUsage.data(), stdout);
      return static_cast<int>(Exit::kDone);
    }
    return static_cast<int>(pelt::regsvr::Run(options));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelt-regsvr: %s\n", e.what());
    return static_cast<int>(Exit::kEntryPointFailed);
  }
}
