// A shared library that records every time it is loaded: its constructor
// appends the path it was loaded by to the file PELT_TEST_LOAD_MARKER names.
// It serves no class, so the runtime unloads it again at once; the marker is
// how a test knows whether any of its code ran.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

constexpr char kAnchor = 0;  // its address tells which file this is

__attribute__((constructor)) void RecordLoad() {
  const char* marker = std::getenv("PELT_TEST_LOAD_MARKER");
  if (marker == nullptr) return;
  Dl_info info{};
  std::string line =
      dladdr(&kAnchor, &info) != 0 && info.dli_fname != nullptr ? info.dli_fname : "?";
  line += '\n';
  const int fd = open(marker, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
  close(fd);
}

}  // namespace
