#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "file_descriptor.h"
#include "pelt/runtime/registry.h"

namespace pelt::runtime {

// What a file is for. A lock's contents are never read, so only a link or
// something other than a file is refused there; the advice in a refusal
// depends on the role too.
enum class FileRole { kRegistry, kLock, kLibrary };

enum class Trust { kTrusted, kMissing, kRefused, kFailed };

// The outcome of opening a folder or a file while checking who could change it.
struct Verdict {
  Trust trust = Trust::kTrusted;
  // kRefused: the file or folder at fault, its owner and mode, why it is
  // refused and what to do instead; kFailed: the step that failed and why.
  std::string fault;
  int error = 0;            // errno of a failed or missing open
  bool not_a_file = false;  // refused as a folder, device or pipe, for which "cannot load" fits
};

// A folder the runtime reads a registry from or loads code from. Open
// resolves the links in its path once, then opens every folder from "/"
// down without following a link, checking each one from the user's home down
// (from "/" for a folder outside home): it must belong to a trusted owner and
// be writable by neither its group nor others. A sticky folder (/tmp) may be
// writable by all, since nobody can then rename or remove what is not theirs,
// and what lies below it is checked for its owner in turn. Files are opened
// relative to the descriptor of the folder checked, so what was checked is
// what is used.
class TrustedFolder {
 public:
  // kTrusted; kRefused with the first folder at fault (its files can still be
  // opened, to learn whether there is anything to refuse); kMissing when a
  // folder does not exist; kFailed.
  Verdict Open(const std::filesystem::path& folder, TrustedOwners owners);

  // Opens name in the folder with flags, never through a link, and checks
  // it: a regular file of a trusted owner, writable by neither its group nor
  // others (a lock: a regular file). kMissing when there is no such file;
  // kRefused, with the folder's fault first, when anything on the way fails.
  Verdict OpenFile(std::string_view name, int flags, FileRole role, FileDescriptor& out,
                   struct stat& info, mode_t create_mode = 0) const;

  // The folder with its links resolved: the name its files are used by.
  const std::filesystem::path& path() const { return path_; }

 private:
  FileDescriptor fd_;
  std::filesystem::path path_;
  TrustedOwners owners_ = TrustedOwners::kUserOrRoot;
  std::string folder_fault_;
};

}  // namespace pelt::runtime
