#include "terminal.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pelt::tools {
namespace {

bool SameFile(int a, int b) {
  struct stat first {};
  struct stat second {};
  return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace

bool ProgressBelongsOn(int err_fd, int out_fd, bool labels_on_out) {
  if (::isatty(err_fd) != 1) return false;
  return !labels_on_out || !SameFile(err_fd, out_fd);
}

}  // namespace pelt::tools
