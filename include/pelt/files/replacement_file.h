#pragma once

#include <filesystem>
#include <string_view>

namespace pelt::files {

// Which step of a replacement failed, for the caller's message.
enum class FileStep { kNone, kCreate, kWrite, kReplace };

// The permissions a new file asks for; the process umask takes its part
// away, as for any file a program creates.
inline constexpr std::filesystem::perms kNewFilePermissions =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
    std::filesystem::perms::group_read | std::filesystem::perms::group_write |
    std::filesystem::perms::others_read | std::filesystem::perms::others_write;

// A file written under a temporary name in the folder of its final path and
// renamed over that path only once it is complete and on disk, so readers
// see the old contents or the new, never a part. A file dropped before
// Commit (a failure, an interrupted command unwinding) takes its temporary
// with it and leaves the final path as it was. A path that is a link to a
// file replaces that file and keeps the link; a device, pipe or terminal
// (/dev/null, /dev/stdout) is written straight through and stays what it is,
// and so is a name of one of the process's own descriptors (/dev/stdout,
// /dev/fd/3), whatever it was opened on: a log appended to stays a log.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile() { RemoveTemporary(); }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates "NAME.tmp.XXXXXX" beside path, exclusively, asking for
  // permissions. False with error() and failed_step() set.
  [[nodiscard]] bool Open(const std::filesystem::path& path,
                          std::filesystem::perms permissions = kNewFilePermissions);

  // Writes all of data. False with error() set; later writes do nothing.
  [[nodiscard]] bool Write(std::string_view data);

  // Syncs the temporary, renames it over the final path and syncs the
  // folder so the rename itself lasts. On failure the temporary is removed.
  [[nodiscard]] bool Commit();

  // Closes and removes the temporary; nothing happens to the final path.
  void Abandon() { RemoveTemporary(); }

  int error() const { return error_; }  // errno of the first failure, 0 while none
  FileStep failed_step() const { return failed_step_; }
  // The temporary's name, also after a failed Open (the name it tried).
  const std::filesystem::path& temporary_path() const { return temporary_path_; }

 private:
  [[nodiscard]] bool Fail(FileStep step, int error);
  void RemoveTemporary();

  int fd_ = -1;
  bool straight_through_ = false;  // writing to a device or pipe itself
  bool temporary_exists_ = false;
  std::filesystem::path final_path_;
  std::filesystem::path temporary_path_;
  int error_ = 0;
  FileStep failed_step_ = FileStep::kNone;
};

// The descriptor a path names as one of the process's own: 1 for
// /dev/stdout, 2 for /dev/stderr, N for /dev/fd/N or /proc/self/fd/N; -1
// for any other path.
int OwnDescriptorOf(const std::filesystem::path& path);

// Moves a complete file that something else wrote (a library writing by
// path) from written to final_path in the same file system: syncs it,
// renames it and syncs the folder. 0, or the errno of the failed step;
// ENOTSUP when final_path is a device or a pipe.
[[nodiscard]] int MoveIntoPlace(const std::filesystem::path& written,
                                const std::filesystem::path& final_path);

}  // namespace pelt::files
