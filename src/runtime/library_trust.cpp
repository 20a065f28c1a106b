// Whether a library may be loaded into this process.

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "message.h"
#include "pelt/runtime/loader.h"
#include "trusted_folder.h"

namespace pelt::runtime {

Result CheckLibrary(const std::string& path, std::string& load_path, std::string* message) {
  // A relative name would let the library search path or the current folder
  // choose the code.
  if (!path.starts_with('/')) {
    SetMessage(message,
               "library '" + path +
                   "' is not trusted: it is not an absolute path, so the library search path or "
                   "the current folder would choose the code; register the library with "
                   "pelt-regsvr, which records its absolute path");
    return Result::kLibraryUntrusted;
  }
  const std::filesystem::path library = path;
  TrustedFolder folder;
  Verdict verdict = folder.Open(library.parent_path(), TrustedOwners::kUserOrRoot);
  if (verdict.trust == Trust::kRefused || verdict.trust == Trust::kTrusted) {
    FileDescriptor fd;
    struct stat info {};
    verdict = folder.OpenFile(library.filename().string(), O_PATH, FileRole::kLibrary, fd, info);
  }
  switch (verdict.trust) {
    case Trust::kTrusted:
      load_path = (folder.path() / library.filename()).string();
      return Result::kOk;
    case Trust::kRefused:
      if (verdict.not_a_file) break;
      SetMessage(message, "library " + path + " is not trusted: " + verdict.fault);
      return Result::kLibraryUntrusted;
    case Trust::kMissing:
      SetMessage(message, "cannot load " + path + ": " + std::strerror(verdict.error));
      return Result::kLibraryNotLoadable;
    case Trust::kFailed: break;
  }
  SetMessage(message, "cannot load " + path + ": " + verdict.fault);
  return Result::kLibraryNotLoadable;
}

}  // namespace pelt::runtime
