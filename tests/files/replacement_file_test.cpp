// A file replaced through a temporary beside it: what readers of the final
// path see, what is left behind, and the permissions the new file gets.

#include "pelt/files/replacement_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::files {
namespace {

using pelt::testing::FileNames;
using pelt::testing::ReadFile;
using pelt::testing::TempDir;

TEST(ReplacementFileTest, ReplacesOnlyOnCommit) {
  TempDir dir;
  const std::filesystem::path path = dir / "out.txt";
  std::ofstream(path) << "old";
  ReplacementFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.temporary_path().parent_path(), dir.path());
  EXPECT_TRUE(file.temporary_path().filename().string().starts_with("out.txt.tmp."));
  ASSERT_TRUE(file.Write("new "));
  ASSERT_TRUE(file.Write(std::string(100000, 'x')));
  EXPECT_EQ(ReadFile(path), "old") << "replaced before Commit";
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFile(path), "new " + std::string(100000, 'x'));
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.txt"});
  EXPECT_FALSE(file.Write("late"));  // a committed file takes no more
  EXPECT_EQ(ReadFile(path).substr(0, 4), "new ");
}

TEST(ReplacementFileTest, AbandonedFilesLeaveTheOldContents) {
  TempDir dir;
  const std::filesystem::path path = dir / "out.txt";
  std::ofstream(path) << "old";
  {
    ReplacementFile dropped;  // as when a failure or an interrupt unwinds the writer
    ASSERT_TRUE(dropped.Open(path));
    ASSERT_TRUE(dropped.Write("half"));
  }
  ReplacementFile abandoned;
  ASSERT_TRUE(abandoned.Open(dir / "new.txt"));
  ASSERT_TRUE(abandoned.Write("half"));
  abandoned.Abandon();
  EXPECT_FALSE(abandoned.Commit());
  EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"out.txt"});
  EXPECT_EQ(ReadFile(path), "old");
}

TEST(ReplacementFileTest, UnwritablePlacesFailAtCreation) {
  TempDir dir;
  std::ofstream(dir / "plain") << "a file, not a folder";
  const std::filesystem::path locked = dir / "locked";
  std::filesystem::create_directory(locked);
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  struct Row {
    int line;
    std::filesystem::path path;
    int error;
  } rows[] = {
      {__LINE__, dir / "missing" / "out.txt", ENOENT},
      {__LINE__, dir / "plain" / "out.txt", ENOTDIR},
      {__LINE__, locked / "out.txt", EACCES},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    // Root writes into the locked folder anyway.
    if (row.error == EACCES && ::access(locked.c_str(), W_OK) == 0) continue;
    ReplacementFile file;
    EXPECT_FALSE(file.Open(row.path));
    EXPECT_EQ(file.failed_step(), FileStep::kCreate);
    EXPECT_EQ(file.error(), row.error);
    EXPECT_FALSE(file.Write("x"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.error(), row.error) << "the first failure is the one kept";
  }
  // The rename fails when a folder holds the final name: the old one stays.
  std::filesystem::create_directories(dir / "taken" / "inside");
  ReplacementFile file;
  ASSERT_TRUE(file.Open(dir / "taken"));
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.failed_step(), FileStep::kReplace);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken" / "inside"));
  EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"locked", "plain", "taken"}));
}

// Renaming over a pipe or a device (/dev/null) would put a plain file in
// its place; renaming over a link would drop the link.
TEST(ReplacementFileTest, PipesAreWrittenThroughAndLinksKept) {
  TempDir dir;
  const std::filesystem::path pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // The reading end is open first, so the writer does not wait for it; the
  // few bytes fit in the pipe.
  const int reading = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reading, 0);
  ReplacementFile through;
  EXPECT_TRUE(through.Open(pipe) && through.Write("labels\n") && through.Commit());
  char piped[16] = {};
  EXPECT_EQ(::read(reading, piped, sizeof piped), 7);
  ::close(reading);
  EXPECT_STREQ(piped, "labels\n");
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  EXPECT_EQ(MoveIntoPlace(dir / "missing", pipe), ENOTSUP);

  std::ofstream(dir / "target.txt") << "old";
  std::filesystem::create_symlink("target.txt", dir / "link.txt");
  ReplacementFile linked;
  ASSERT_TRUE(linked.Open(dir / "link.txt"));
  ASSERT_TRUE(linked.Write("new"));
  ASSERT_TRUE(linked.Commit());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(ReadFile(dir / "target.txt"), "new");
  EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"link.txt", "pipe", "target.txt"}));
}

TEST(ReplacementFileTest, PermissionsFollowTheUmask) {
  using std::filesystem::perms;
  TempDir dir;
  struct Row {
    int line;
    mode_t umask;
    perms asked;
    perms expected;
  } rows[] = {
      {__LINE__, 022, kNewFilePermissions, perms(0644)},
      {__LINE__, 077, kNewFilePermissions, perms(0600)},
      {__LINE__, 0, kNewFilePermissions, perms(0666)},
      {__LINE__, 022, perms(0600), perms(0600)},  // a private file stays private
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const mode_t before = ::umask(row.umask);
    ReplacementFile file;
    const bool written = file.Open(dir / "out.txt", row.asked) && file.Commit();
    const mode_t during = ::umask(before);
    ASSERT_TRUE(written);
    EXPECT_EQ(during, row.umask) << "the umask was changed";
    EXPECT_EQ(std::filesystem::status(dir / "out.txt").permissions(), row.expected);
  }
}

TEST(ReplacementFileTest, MovesAFileWrittenElsewhereIntoPlace) {
  TempDir dir;
  std::filesystem::create_directory(dir / "work");
  std::ofstream(dir / "work" / "copy.shp") << "new";
  std::ofstream(dir / "copy.shp") << "old";
  EXPECT_EQ(MoveIntoPlace(dir / "work" / "copy.shp", dir / "copy.shp"), 0);
  EXPECT_EQ(ReadFile(dir / "copy.shp"), "new");
  EXPECT_EQ(MoveIntoPlace(dir / "work" / "gone.shp", dir / "gone.shp"), ENOENT);
}

}  // namespace
}  // namespace pelt::files
