#include "pelt/runtime/server_support.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace pelt::runtime {

std::optional<std::string> LibraryPathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0') {
    return std::nullopt;
  }
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

}  // namespace pelt::runtime
