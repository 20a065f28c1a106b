#include "pelt/files/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

namespace pelt::files {
namespace {

// Tries this many names before giving up on a folder full of look-alikes.
constexpr int kNameAttempts = 100;

// Six characters that differ between calls, threads and processes; O_EXCL
// settles any clash, so they need not be unpredictable.
std::string UniqueSuffix() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t bits =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  bits ^= static_cast<std::uint64_t>(::getpid()) << 32;
  bits += counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL;
  constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += kDigits[bits % kDigits.size()];
    bits /= kDigits.size();
  }
  return suffix;
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// Makes a finished rename survive a crash; a folder that cannot be synced
// (some file systems refuse) has still been renamed in, so it is not an error.
void SyncFolder(const std::filesystem::path& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  static_cast<void>(::fsync(fd));
  ::close(fd);
}

// A device, a pipe or a terminal: what is written there is gone at once, and
// a file renamed over its name would take its place.
bool WritesStraightThrough(const struct stat& status) {
  return S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) || S_ISFIFO(status.st_mode);
}

// A link to a file is kept: the file it points to is the one replaced.
std::filesystem::path PathToReplace(const std::filesystem::path& path) {
  std::error_code ignored;
  if (!std::filesystem::is_symlink(path, ignored)) return path;
  const std::filesystem::path target = std::filesystem::canonical(path, ignored);
  return target.empty() ? path : target;
}

}  // namespace

int OwnDescriptorOf(const std::filesystem::path& path) {
  const std::string text = path.lexically_normal().string();
  if (text == "/dev/stdout") return STDOUT_FILENO;
  if (text == "/dev/stderr") return STDERR_FILENO;
  for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!text.starts_with(prefix)) continue;
    const char* first = text.data() + prefix.size();
    const char* last = text.data() + text.size();
    int descriptor = -1;
    const auto [stop, failure] = std::from_chars(first, last, descriptor);
    if (first != last && failure == std::errc() && stop == last) return descriptor;
  }
  return -1;
}

bool ReplacementFile::Open(const std::filesystem::path& path, std::filesystem::perms permissions) {
  RemoveTemporary();
  error_ = 0;
  failed_step_ = FileStep::kNone;
  straight_through_ = false;
  // Writing through a copy of the descriptor keeps where and how the caller
  // opened it (">>" appends); reopening the name would start at offset 0.
  if (const int own = OwnDescriptorOf(path); own >= 0) {
    final_path_ = path;
    temporary_path_.clear();
    fd_ = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) return Fail(FileStep::kCreate, errno);
    straight_through_ = true;
    return true;
  }
  if (struct stat status{}; ::stat(path.c_str(), &status) == 0 && WritesStraightThrough(status)) {
    final_path_ = path;
    temporary_path_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) return Fail(FileStep::kCreate, errno);
    straight_through_ = true;
    return true;
  }
  final_path_ = PathToReplace(path);
  // The temporary sits beside the final file so that the rename stays in one
  // file system and is atomic. The mode goes to open(), where the umask
  // applies: the process umask is never changed, other threads rely on it.
  const auto mode = static_cast<mode_t>(permissions & std::filesystem::perms::mask);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporary_path_ = final_path_;
    temporary_path_ += ".tmp." + UniqueSuffix();
    // O_EXCL makes the file anew; O_NOFOLLOW says so again for a planted link.
    fd_ =
        ::open(temporary_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      temporary_exists_ = true;
      return true;
    }
    if (errno != EEXIST && errno != EINTR) break;
  }
  return Fail(FileStep::kCreate, errno);
}

bool ReplacementFile::Write(std::string_view data) {
  if (fd_ < 0) return Fail(FileStep::kWrite, EBADF);
  while (!data.empty()) {
    const ssize_t written = ::write(fd_, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return Fail(FileStep::kWrite, errno);
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReplacementFile::Commit() {
  if (fd_ < 0) return Fail(FileStep::kWrite, EBADF);
  if (straight_through_) {
    if (::close(std::exchange(fd_, -1)) != 0) return Fail(FileStep::kWrite, errno);
    return true;
  }
  if (::fsync(fd_) != 0) return Fail(FileStep::kWrite, errno);
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) return Fail(FileStep::kWrite, errno);
  if (::rename(temporary_path_.c_str(), final_path_.c_str()) != 0) {
    return Fail(FileStep::kReplace, errno);
  }
  temporary_exists_ = false;  // it is the final file now
  SyncFolder(final_path_);
  return true;
}

void ReplacementFile::RemoveTemporary() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (temporary_exists_) ::unlink(temporary_path_.c_str());
  temporary_exists_ = false;
}

bool ReplacementFile::Fail(FileStep step, int error) {
  if (error_ == 0) {  // the first failure is the one worth reporting
    error_ = error;
    failed_step_ = step;
  }
  RemoveTemporary();
  return false;
}

int MoveIntoPlace(const std::filesystem::path& written, const std::filesystem::path& final_path) {
  // A whole file has no place on a device or a pipe, and must not take its name.
  if (struct stat status{};
      ::stat(final_path.c_str(), &status) == 0 && WritesStraightThrough(status)) {
    return ENOTSUP;
  }
  const int fd = ::open(written.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int synced = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  // EINVAL: a kind of file that cannot be synced; the rename still decides.
  if (synced != 0 && synced != EINVAL) return synced;
  if (::rename(written.c_str(), final_path.c_str()) != 0) return errno;
  SyncFolder(final_path);
  return 0;
}

}  // namespace pelt::files
