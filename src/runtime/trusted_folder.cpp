#include "trusted_folder.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace pelt::runtime {
namespace {

namespace fs = std::filesystem;

std::string ErrnoText(int error) { return std::strerror(error); }

// The account with uid, from the password database.
std::optional<struct passwd> Account(uid_t uid, std::vector<char>& buffer) {
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  buffer.assign(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  return entry;
}

std::string AccountName(uid_t uid) {
  std::vector<char> buffer;
  const std::optional<struct passwd> account = Account(uid, buffer);
  if (account && account->pw_name != nullptr && *account->pw_name != '\0') return account->pw_name;
  return "uid " + std::to_string(uid);
}

// The user's home with its links resolved, or empty when it is unknown.
fs::path Home() {
  std::vector<char> buffer;
  const std::optional<struct passwd> account = Account(::geteuid(), buffer);
  const char* home = account && account->pw_dir != nullptr ? account->pw_dir : std::getenv("HOME");
  char resolved[PATH_MAX];
  if (home == nullptr || *home != '/' || ::realpath(home, resolved) == nullptr) return {};
  return resolved;
}

// Where the checks start: the user's home for a folder in it, else "/".
// Above home the system's own folders decide who may do what.
fs::path CheckedFrom(const fs::path& folder, TrustedOwners owners) {
  if (owners == TrustedOwners::kRootOnly) return "/";
  const fs::path home = Home();
  if (home.empty()) return "/";
  const bool in_home =
      std::mismatch(home.begin(), home.end(), folder.begin(), folder.end()).first == home.end();
  return in_home ? home : fs::path("/");
}

std::string Described(const fs::path& path, const struct stat& info) {
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  return path.string() + " (owner " + AccountName(info.st_uid) + ", mode " + mode + ")";
}

// Why the file or folder at path is not trusted, or "" when it is.
std::string OwnerOrModeFault(const fs::path& path, const struct stat& info, TrustedOwners owners) {
  const uid_t user = ::geteuid();
  const bool user_counts = owners == TrustedOwners::kUserOrRoot && user != 0;
  if (info.st_uid != 0 && !(user_counts && info.st_uid == user)) {
    if (!user_counts) {
      return Described(path, info) +
             " does not belong to root, so its owner could make hosts load code of its own; run "
             "'chown root " +
             path.string() + "', or use files and folders of root's";
    }
    const std::string me = AccountName(user);
    return Described(path, info) + " belongs to neither you (" + me +
           ") nor root, so its owner could make your hosts load code of its own; use files and "
           "folders of your own, or run 'chown " +
           me + " " + path.string() + "' as root";
  }
  // In a sticky folder nobody may rename or remove what is not theirs.
  const bool sticky_folder = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
  if (sticky_folder || (info.st_mode & (S_IWGRP | S_IWOTH)) == 0) return {};
  return Described(path, info) +
         ((info.st_mode & S_IWOTH) != 0 ? " is writable by any account"
                                        : " is writable by its group") +
         ", so another account could make hosts load code of its own; run 'chmod go-w " +
         path.string() + "'";
}

std::string LinkFault(const fs::path& path, FileRole role) {
  const std::string link = path.string() + " is a symbolic link";
  switch (role) {
    case FileRole::kLock:
      return link + ", which could redirect the write; remove it: the runtime makes its own";
    case FileRole::kLibrary:
      return link +
             ", which could lead to other code; register the library again (pelt-regsvr "
             "records the file itself)";
    default:
      return link +
             ", which the runtime does not follow there; replace it with the file it "
             "points to";
  }
}

std::string NotAFileFault(const fs::path& path, FileRole role) {
  const std::string what = path.string() + " is not a regular file; ";
  switch (role) {
    case FileRole::kLock: return what + "remove it: the runtime makes its own";
    case FileRole::kLibrary: return what + "register the library's file itself";
    default: return what + "remove it, or keep the registry in a file";
  }
}

// A file's own fault: a link, not a file, or an owner or mode others could use.
std::string FileFault(const fs::path& path, const struct stat& info, FileRole role,
                      TrustedOwners owners) {
  if (S_ISLNK(info.st_mode)) return LinkFault(path, role);  // O_PATH opens a link itself
  if (!S_ISREG(info.st_mode)) return NotAFileFault(path, role);
  return role == FileRole::kLock ? std::string() : OwnerOrModeFault(path, info, owners);
}

// Why the folder at path could not be opened on the way down.
Verdict FolderOpenFailure(const fs::path& path, int error) {
  if (error == ENOENT) return {Trust::kMissing, {}, error};
  if (error == ELOOP || error == ENOTDIR) {  // a link or a file since realpath looked
    return {Trust::kFailed, path.string() + " changed while it was being checked; try again",
            error};
  }
  return {Trust::kFailed, "cannot open the folder " + path.string() + ": " + ErrnoText(error),
          error};
}

}  // namespace

Verdict TrustedFolder::Open(const fs::path& folder, TrustedOwners owners) {
  owners_ = owners;
  folder_fault_.clear();
  fd_.Reset();
  path_.clear();
  const fs::path asked = folder.empty() ? fs::path(".") : folder;
  char resolved[PATH_MAX];
  if (::realpath(asked.c_str(), resolved) == nullptr) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) return {Trust::kMissing, {}, error};
    return {Trust::kFailed, "cannot find the folder " + asked.string() + ": " + ErrnoText(error),
            error};
  }
  const fs::path target = resolved;
  const fs::path checked_from = CheckedFrom(target, owners);
  fs::path walked = "/";
  bool checking = false;
  // Checks the folder just opened at walked, keeping the first fault; an
  // open or a check that failed ends the walk.
  const auto enter = [&](const FileDescriptor& opened, int error) -> std::optional<Verdict> {
    if (opened.get() < 0) return FolderOpenFailure(walked, error);
    checking = checking || walked == checked_from;
    if (!checking || !folder_fault_.empty()) return std::nullopt;
    struct stat info {};
    if (::fstat(opened.get(), &info) != 0) {
      const int stat_error = errno;
      return Verdict{Trust::kFailed,
                     "cannot check " + walked.string() + ": " + ErrnoText(stat_error), stat_error};
    }
    folder_fault_ = OwnerOrModeFault(walked, info, owners);
    return std::nullopt;
  };
  // O_PATH: passing through a folder needs no right to read it.
  FileDescriptor current(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (std::optional<Verdict> stop = enter(current, errno)) return *stop;
  for (const fs::path& part : target.relative_path()) {
    walked /= part;
    const int next =
        ::openat(current.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    current.Reset(next);
    if (std::optional<Verdict> stop = enter(current, error)) return *stop;
  }
  fd_ = std::move(current);
  path_ = target;
  if (!folder_fault_.empty()) return {Trust::kRefused, folder_fault_, 0};
  return {};
}

Verdict TrustedFolder::OpenFile(std::string_view name, int flags, FileRole role,
                                FileDescriptor& out, struct stat& info, mode_t create_mode) const {
  const fs::path file = path_ / name;
  const std::string name_text(name);
  const int fd =
      ::openat(fd_.get(), name_text.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, create_mode);
  const int error = fd < 0 ? errno : 0;
  out.Reset(fd);
  if (error == ENOENT) return {Trust::kMissing, {}, error};
  if (error != 0 && error != ELOOP) {
    return {Trust::kFailed, "cannot open " + file.string() + ": " + ErrnoText(error), error};
  }
  // The file is there: anything on the way to it is at fault first.
  Verdict refused{Trust::kRefused, folder_fault_, error};
  if (refused.fault.empty() && error == ELOOP) refused.fault = LinkFault(file, role);
  if (refused.fault.empty()) {
    if (::fstat(out.get(), &info) != 0) {
      const int stat_error = errno;
      out.Reset();
      return {Trust::kFailed, "cannot check " + file.string() + ": " + ErrnoText(stat_error),
              stat_error};
    }
    refused.fault = FileFault(file, info, role, owners_);
    refused.not_a_file = !S_ISLNK(info.st_mode) && !S_ISREG(info.st_mode);
  }
  if (refused.fault.empty()) return {};
  out.Reset();
  return refused;
}

}  // namespace pelt::runtime
