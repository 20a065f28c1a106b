// The registry file: where it is, reading it, and updates under a lock.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "message.h"
#include "pelt/files/replacement_file.h"
#include "pelt/runtime/registry.h"
#include "registry_values.h"
#include "trusted_folder.h"

namespace pelt::runtime {
namespace {

namespace fs = std::filesystem;

std::string Describe(const fs::path& path, std::string_view what) {
  return "component registry " + path.string() + ": " + std::string(what);
}

std::string ErrnoText(int error) { return std::strerror(error); }

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

fs::path LockPathOf(const fs::path& path) {
  fs::path lock_path = path;
  lock_path += ".lock";
  return lock_path;
}

Result IoFailure(const fs::path& path, std::string_view what, int error, std::string* message) {
  SetMessage(message, Describe(path, std::string(what) + ": " + ErrnoText(error)));
  return error == EACCES || error == EROFS || error == EPERM ? Result::kRegistryReadOnly
                                                             : Result::kRegistryIo;
}

Result Untrusted(const fs::path& path, const std::string& fault, std::string* message) {
  SetMessage(message, Describe(path, "not trusted: " + fault));
  return Result::kRegistryUntrusted;
}

// Opens the registry file in folder and checks it; fd stays closed when
// there is no such file.
Result OpenIn(const TrustedFolder& folder, const fs::path& path, FileDescriptor& fd,
              struct stat& info, std::string* message) {
  // O_NONBLOCK: a pipe planted as the registry is refused instead of waited on.
  const Verdict verdict = folder.OpenFile(path.filename().string(), O_RDONLY | O_NONBLOCK,
                                          FileRole::kRegistry, fd, info);
  switch (verdict.trust) {
    case Trust::kTrusted:
    case Trust::kMissing: return Result::kOk;
    case Trust::kRefused: return Untrusted(path, verdict.fault, message);
    case Trust::kFailed: break;
  }
  SetMessage(message, Describe(path, "cannot open: " + ErrnoText(verdict.error)));
  return Result::kRegistryIo;
}

// Reads and parses the registry from fd; no descriptor is an empty registry.
Result ReadFrom(const FileDescriptor& fd, const fs::path& path, RegistryContents& out,
                std::string* message) {
  if (fd.get() < 0) {
    out = RegistryContents();
    return Result::kOk;
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetMessage(message, Describe(path, "cannot read: " + ErrnoText(errno)));
      return Result::kRegistryIo;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  std::string detail;
  const Result r = ParseRegistry(text, out, &detail);
  if (Failed(r)) SetMessage(message, Describe(path, "corrupt, " + detail));
  return r;
}

// Replaces the registry with text, atomically and durably. target is the
// file by its checked folder's resolved path; path names it in messages.
Result ReplaceFile(const fs::path& target, const fs::path& path, std::string_view text, mode_t mode,
                   std::string* message) {
  files::ReplacementFile file;
  if (file.Open(target, static_cast<fs::perms>(mode)) && file.Write(text) && file.Commit()) {
    return Result::kOk;
  }
  const std::string temporary = file.temporary_path().string();
  switch (file.failed_step()) {
    case files::FileStep::kCreate:
      return IoFailure(path, "cannot create " + temporary, file.error(), message);
    case files::FileStep::kReplace:
      return IoFailure(path, "cannot replace the file", file.error(), message);
    default: return IoFailure(path, "cannot write " + temporary, file.error(), message);
  }
}

bool AbsolutePath(std::string_view path) { return path.starts_with('/'); }

// Makes the folders of path that are missing, writable by the user alone
// whatever the umask: a folder the group could write to would be refused.
// A folder that cannot be made shows up when the registry's folder is opened.
void MakeFolders(const fs::path& path) {
  std::error_code error;
  if (path.empty() || fs::exists(path, error)) return;
  MakeFolders(path.parent_path());
  static_cast<void>(::mkdir(path.c_str(), 0755));
}

}  // namespace

Result ReadRegistry(const fs::path& path, RegistryContents& out, std::string* message,
                    TrustedOwners owners) {
  TrustedFolder folder;
  const Verdict verdict = folder.Open(FolderOf(path), owners);
  switch (verdict.trust) {
    case Trust::kMissing: out = RegistryContents(); return Result::kOk;
    case Trust::kFailed:
      SetMessage(message, Describe(path, verdict.fault));
      return Result::kRegistryIo;
    case Trust::kRefused:  // a folder at fault: refused below unless there is no file
    case Trust::kTrusted: break;
  }
  FileDescriptor fd;
  struct stat info {};
  PELT_RETURN_IF_FAILED(OpenIn(folder, path, fd, info, message));
  return ReadFrom(fd, path, out, message);
}

Result CheckRegistryTrust(const fs::path& path, TrustedOwners owners, std::string* message) {
  TrustedFolder folder;
  Verdict verdict = folder.Open(FolderOf(path), owners);
  switch (verdict.trust) {
    case Trust::kMissing: return Result::kOk;  // made by the update, and checked then
    case Trust::kFailed:
      SetMessage(message, Describe(path, verdict.fault));
      return Result::kRegistryIo;
    case Trust::kRefused: return Untrusted(path, verdict.fault, message);
    case Trust::kTrusted: break;
  }
  const std::pair<fs::path, FileRole> files[] = {{path, FileRole::kRegistry},
                                                 {LockPathOf(path), FileRole::kLock}};
  for (const auto& [file, role] : files) {
    FileDescriptor fd;
    struct stat info {};
    verdict = folder.OpenFile(file.filename().string(), O_PATH, role, fd, info);
    if (verdict.trust == Trust::kRefused) return Untrusted(path, verdict.fault, message);
    if (verdict.trust == Trust::kFailed) {
      SetMessage(message, Describe(path, verdict.fault));
      return Result::kRegistryIo;
    }
  }
  return Result::kOk;
}

Result UpdateRegistry(const fs::path& path, const std::function<void(RegistryContents&)>& change,
                      std::string* message) {
  const fs::path folder_path = FolderOf(path);
  MakeFolders(folder_path);
  TrustedFolder folder;
  Verdict verdict = folder.Open(folder_path, TrustedOwners::kUserOrRoot);
  if (verdict.trust == Trust::kRefused) return Untrusted(path, verdict.fault, message);
  if (verdict.trust != Trust::kTrusted) {
    return IoFailure(path, "cannot open the folder " + folder_path.string(), verdict.error,
                     message);
  }

  const fs::path lock_path = LockPathOf(path);
  FileDescriptor lock;
  struct stat lock_info {};
  verdict = folder.OpenFile(lock_path.filename().string(), O_RDWR | O_CREAT, FileRole::kLock, lock,
                            lock_info, 0644);
  if (verdict.trust == Trust::kRefused) return Untrusted(path, verdict.fault, message);
  if (verdict.trust != Trust::kTrusted) {
    return IoFailure(path, "cannot open the lock file " + lock_path.string(), verdict.error,
                     message);
  }
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return IoFailure(path, "cannot lock " + lock_path.string(), errno, message);
  }

  FileDescriptor fd;
  struct stat info {};
  PELT_RETURN_IF_FAILED(OpenIn(folder, path, fd, info, message));
  mode_t mode = 0644;
  if (fd.get() >= 0) {
    // Permission bits decide, not access(): an administrator's write access
    // must not override a file someone made read-only on purpose.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      SetMessage(message, Describe(path, "the file is read-only"));
      return Result::kRegistryReadOnly;
    }
    mode = info.st_mode & 07777;
  }
  RegistryContents contents;
  PELT_RETURN_IF_FAILED(ReadFrom(fd, path, contents, message));
  change(contents);
  return ReplaceFile(folder.path() / path.filename(), path, FormatRegistry(contents), mode,
                     message);
}

Result RegisterClasses(const fs::path& path, const std::vector<ClassEntry>& classes,
                       const std::optional<TypeLibraryEntry>& type_library, std::string* message) {
  for (const ClassEntry& c : classes) {
    if (!AbsolutePath(c.library) || !ValueFits(c.library) || !ValueFits(c.program_id) ||
        !ValueFits(c.name)) {
      SetMessage(message, "class " + ToString(c.id) +
                              ": no library, a library path that is not absolute, or a line "
                              "break in a value");
      return Result::kInvalidArgument;
    }
  }
  if (type_library && (!ValueFits(type_library->name) || !ValueFits(type_library->description) ||
                       !ValueFits(type_library->library) ||
                       (!type_library->library.empty() && !AbsolutePath(type_library->library)))) {
    SetMessage(message, "type library " + ToString(type_library->id) +
                            ": a library path that is not absolute, or a line break in a value");
    return Result::kInvalidArgument;
  }
  return UpdateRegistry(
      path,
      [&](RegistryContents& contents) {
        for (const ClassEntry& c : classes) {
          std::erase_if(contents.classes, [&](const ClassEntry& old) {
            return old.id == c.id ||
                   (!c.program_id.empty() && EqualsAsciiNoCase(old.program_id, c.program_id));
          });
          contents.classes.push_back(c);
        }
        if (type_library) {
          std::erase_if(contents.type_libraries,
                        [&](const TypeLibraryEntry& old) { return old.id == type_library->id; });
          contents.type_libraries.push_back(*type_library);
        }
      },
      message);
}

Result UnregisterClasses(const fs::path& path, const std::vector<ClassId>& classes,
                         const std::optional<Uuid>& type_library, std::string* message) {
  return UpdateRegistry(
      path,
      [&](RegistryContents& contents) {
        std::erase_if(contents.classes, [&](const ClassEntry& c) {
          return std::find(classes.begin(), classes.end(), c.id) != classes.end();
        });
        if (type_library) {
          std::erase_if(contents.type_libraries,
                        [&](const TypeLibraryEntry& t) { return t.id == *type_library; });
        }
      },
      message);
}

}  // namespace pelt::runtime
