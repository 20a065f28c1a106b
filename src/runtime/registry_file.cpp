// The registry file: where it is, reading it, and updates under a lock.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

#include "message.h"
#include "pelt/files/replacement_file.h"
#include "pelt/runtime/registry.h"
#include "registry_values.h"

namespace pelt::runtime {
namespace {

std::string Describe(const std::filesystem::path& path, std::string_view what) {
  return "component registry " + path.string() + ": " + std::string(what);
}

std::string ErrnoText(int error) { return std::strerror(error); }

// Closes a descriptor when it goes away (and so releases a lock held on it).
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

Result IoFailure(const std::filesystem::path& path, std::string_view what, int error,
                 std::string* message) {
  SetMessage(message, Describe(path, std::string(what) + ": " + ErrnoText(error)));
  return error == EACCES || error == EROFS || error == EPERM ? Result::kRegistryReadOnly
                                                             : Result::kRegistryIo;
}

// Replaces the file at path with text, atomically and durably.
Result ReplaceFile(const std::filesystem::path& path, std::string_view text, mode_t mode,
                   std::string* message) {
  files::ReplacementFile file;
  if (file.Open(path, static_cast<std::filesystem::perms>(mode)) && file.Write(text) &&
      file.Commit()) {
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

}  // namespace

std::filesystem::path RegistryPath() {
  if (const char* explicit_path = std::getenv("PELT_COMPONENT_REGISTRY");
      explicit_path != nullptr && *explicit_path != '\0') {
    return explicit_path;
  }
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    config = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    config = std::filesystem::path(home) / ".config";
  } else {
    config = ".";
  }
  return config / "pelt" / "components.registry";
}

Result ReadRegistry(const std::filesystem::path& path, RegistryContents& out,
                    std::string* message) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) {
      out = RegistryContents();
      return Result::kOk;
    }
    SetMessage(message, Describe(path, "cannot open: " + ErrnoText(errno)));
    return Result::kRegistryIo;
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

Result UpdateRegistry(const std::filesystem::path& path,
                      const std::function<void(RegistryContents&)>& change, std::string* message) {
  if (path.has_parent_path()) {
    std::error_code ignored;  // a folder that cannot be made shows up below
    std::filesystem::create_directories(path.parent_path(), ignored);
  }
  std::filesystem::path lock_path = path;
  lock_path += ".lock";
  FileDescriptor lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lock.get() < 0)
    return IoFailure(path, "cannot open the lock file " + lock_path.string(), errno, message);
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return IoFailure(path, "cannot lock " + lock_path.string(), errno, message);
  }

  mode_t mode = 0644;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    // Permission bits decide, not access(): an administrator's write access
    // must not override a file someone made read-only on purpose.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      SetMessage(message, Describe(path, "the file is read-only"));
      return Result::kRegistryReadOnly;
    }
    mode = info.st_mode & 07777;
  }
  RegistryContents contents;
  PELT_RETURN_IF_FAILED(ReadRegistry(path, contents, message));
  change(contents);
  return ReplaceFile(path, FormatRegistry(contents), mode, message);
}

Result RegisterClasses(const std::filesystem::path& path, const std::vector<ClassEntry>& classes,
                       const std::optional<TypeLibraryEntry>& type_library, std::string* message) {
  for (const ClassEntry& c : classes) {
    if (c.library.empty() || !ValueFits(c.library) || !ValueFits(c.program_id) ||
        !ValueFits(c.name)) {
      SetMessage(message, "class " + ToString(c.id) + ": no library, or a line break in a value");
      return Result::kInvalidArgument;
    }
  }
  if (type_library && (!ValueFits(type_library->name) || !ValueFits(type_library->description) ||
                       !ValueFits(type_library->library))) {
    SetMessage(message, "type library " + ToString(type_library->id) + ": a line break in a value");
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

Result UnregisterClasses(const std::filesystem::path& path, const std::vector<ClassId>& classes,
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
