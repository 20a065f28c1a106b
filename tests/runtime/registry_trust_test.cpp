// A registry is read and written only while no other account could change
// it: the file and the folders above it must belong to the user or root and
// be writable by neither group nor others (a sticky folder excepted), and
// neither the registry nor its lock file may be a link.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "pelt/runtime/registry.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/untrusted_files.h"

namespace pelt::runtime {
namespace {

namespace fs = std::filesystem;
using pelt::testing::Chmod;
using pelt::testing::Chown;
using pelt::testing::kNobody;
using pelt::testing::NotRoots;
using pelt::testing::ReadFile;
using pelt::testing::WritableBy;

ClassEntry Class(std::string_view id, std::string program_id) {
  ClassEntry entry;
  entry.id = *ParseUuid(id);
  entry.program_id = std::move(program_id);
  entry.library = "/usr/lib/pelt/a.so";
  return entry;
}

constexpr std::string_view kIdA = "11111111-1111-4111-8111-111111111111";
constexpr std::string_view kIdB = "22222222-2222-4222-8222-222222222222";

// A registry holding class A in outer/pelt/ of a temporary folder, with
// every mode set, so that the umask decides nothing.
class Scene {
 public:
  Scene() {
    fs::create_directories(folder_);
    std::string message;
    EXPECT_EQ(RegisterClasses(registry_, {Class(kIdA, "Pelt.A")}, std::nullopt, &message),
              Result::kOk)
        << message;
    Chmod(outer_, 0755);
    Chmod(folder_, 0755);
    Chmod(registry_, 0644);
    registered_ = ReadFile(registry_);
  }

  // "component registry {registry}: not trusted: " and fault, with
  // {registry}, {folder}, {outer} and {temp} replaced.
  std::string Untrusted(const std::string& fault) const {
    return pelt::testing::Substituted("component registry {registry}: not trusted: " + fault,
                                      {{"{registry}", registry_.string()},
                                       {"{folder}", folder_.string()},
                                       {"{outer}", outer_.string()},
                                       {"{temp}", dir_.path().string()}});
  }

  pelt::testing::TempDir dir_;
  fs::path outer_ = dir_ / "outer";
  fs::path folder_ = outer_ / "pelt";
  fs::path registry_ = folder_ / "components.registry";
  std::string registered_;
};

class RegistryTrustTest : public ::testing::Test, protected Scene {};

struct Refusal {
  int line;
  std::function<void(const Scene&)> change;
  std::string fault;  // what follows "component registry {registry}: not trusted: "
};

// Makes each row's registry, changes it, then reads, checks and writes it:
// each is refused with the same message, and the file stays as it was.
void ExpectRefused(const Refusal& row) {
  SCOPED_TRACE(row.line);
  const Scene scene;
  row.change(scene);
  const std::string expected = scene.Untrusted(row.fault);
  RegistryContents contents;
  std::string message;
  EXPECT_EQ(ReadRegistry(scene.registry_, contents, &message), Result::kRegistryUntrusted);
  EXPECT_EQ(message, expected);
  EXPECT_TRUE(contents.classes.empty());
  message.clear();
  EXPECT_EQ(CheckRegistryTrust(scene.registry_, TrustedOwners::kUserOrRoot, &message),
            Result::kRegistryUntrusted);
  EXPECT_EQ(message, expected);
  message.clear();
  EXPECT_EQ(RegisterClasses(scene.registry_, {Class(kIdB, "Pelt.B")}, std::nullopt, &message),
            Result::kRegistryUntrusted);
  EXPECT_EQ(message, expected);
  const fs::path file =
      fs::is_symlink(scene.registry_) ? scene.folder_ / "real.registry" : scene.registry_;
  if (fs::is_regular_file(file)) {
    EXPECT_EQ(ReadFile(file), scene.registered_);
  }
}

TEST(RegistryTrustRefusalTest, ARegistryOthersCouldChangeIsNeitherReadNorWritten) {
  const std::string any = "any account";
  const Refusal rows[] = {
      {__LINE__, [](auto& s) { Chmod(s.registry_, 0666); }, WritableBy(any, "{registry}", "0666")},
      {__LINE__, [](auto& s) { Chmod(s.registry_, 0620); },
       WritableBy("its group", "{registry}", "0620")},
      {__LINE__, [](auto& s) { Chmod(s.folder_, 0777); }, WritableBy(any, "{folder}", "0777")},
      {__LINE__, [](auto& s) { Chmod(s.outer_, 0777); }, WritableBy(any, "{outer}", "0777")},
      {__LINE__, [](auto& s) { Chmod(s.outer_, 0775); },
       WritableBy("its group", "{outer}", "0775")},
      {__LINE__,
       [](auto& s) {
         fs::rename(s.registry_, s.folder_ / "real.registry");
         fs::create_symlink("real.registry", s.registry_);
       },
       "{registry} is a symbolic link, which the runtime does not follow there; replace it with "
       "the file it points to"},
      {__LINE__,
       [](auto& s) {
         fs::remove(s.registry_);
         ASSERT_EQ(mkfifo(s.registry_.c_str(), 0644), 0);  // read, it would wait for a writer
       },
       "{registry} is not a regular file; remove it, or keep the registry in a file"},
  };
  for (const Refusal& row : rows) ExpectRefused(row);
}

TEST(RegistryTrustRefusalTest, ARegistryOfAnotherAccountIsNeitherReadNorWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another account (chown) needs root";
  const Refusal rows[] = {
      {__LINE__, [](auto& s) { Chown(s.registry_, kNobody); },
       NotRoots("{registry}", "{nobody}", "0644")},
      {__LINE__, [](auto& s) { Chown(s.outer_, kNobody); },
       NotRoots("{outer}", "{nobody}", "0755")},
      // A sticky folder shelters only what belongs to the user or root.
      {__LINE__,
       [](auto& s) {
         Chmod(s.outer_, 01777);
         Chown(s.folder_, kNobody);
       },
       NotRoots("{folder}", "{nobody}", "0755")},
  };
  for (const Refusal& row : rows) ExpectRefused(row);
}

TEST_F(RegistryTrustTest, FilesOfTheUserInFoldersOnlyTheUserCanChangeAreTrusted) {
  const std::function<void()> rows[] = {
      [] {}, [&] { Chmod(outer_, 01777); },  // like /tmp: others cannot touch what is the user's
      [&] {
        Chmod(outer_, 0700);
        Chmod(folder_, 0700);
        Chmod(registry_, 0600);
      },
      [&] { Chmod(registry_, 0444); },  // read-only: read, not written
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    rows[i]();
    RegistryContents contents;
    std::string message;
    ASSERT_EQ(ReadRegistry(registry_, contents, &message), Result::kOk) << message;
    ASSERT_EQ(contents.classes.size(), 1u);
    EXPECT_EQ(CheckRegistryTrust(registry_, TrustedOwners::kUserOrRoot, &message), Result::kOk)
        << message;
  }
}

TEST_F(RegistryTrustTest, AMissingRegistryIsEmptyButIsNotMadeInAFolderOthersCouldChange) {
  fs::remove(registry_);
  Chmod(folder_, 0777);
  RegistryContents contents;
  std::string message;
  EXPECT_EQ(ReadRegistry(registry_, contents, &message), Result::kOk) << message;  // nothing to run
  EXPECT_EQ(RegisterClasses(registry_, {Class(kIdB, "Pelt.B")}, std::nullopt, &message),
            Result::kRegistryUntrusted);
  EXPECT_EQ(message, Untrusted(WritableBy("any account", "{folder}", "0777")));
  EXPECT_FALSE(fs::exists(registry_));
}

TEST_F(RegistryTrustTest, FoldersMadeForTheRegistryAreTheUsersAloneWhateverTheUmask) {
  const fs::path registry = dir_ / "made" / "for" / "it" / "components.registry";
  const mode_t umask_before = umask(002);  // as where each user has a group of their own
  std::string message;
  const Result registered =
      RegisterClasses(registry, {Class(kIdB, "Pelt.B")}, std::nullopt, &message);
  umask(umask_before);
  EXPECT_EQ(registered, Result::kOk) << message;
  for (fs::path folder = registry.parent_path(); folder != dir_.path();
       folder = folder.parent_path()) {
    EXPECT_EQ(fs::status(folder).permissions(), static_cast<fs::perms>(0755)) << folder;
  }
  EXPECT_EQ(fs::status(registry).permissions(), static_cast<fs::perms>(0644));
}

TEST_F(RegistryTrustTest, ALinkWhereTheLockFileShouldBeIsRefusedAndItsTargetLeftAlone) {
  const fs::path lock = registry_.string() + ".lock";
  const fs::path existing = dir_ / "precious.txt";
  const fs::path dangling = dir_ / "made-through-the-link";
  std::ofstream(existing) << "precious";
  const std::string expected = Untrusted(
      "{registry}.lock is a symbolic link, which could redirect the write; remove it: "
      "the runtime makes its own");
  for (const fs::path& target : {existing, dangling}) {
    SCOPED_TRACE(target);
    fs::remove(lock);
    fs::create_symlink(target, lock);
    std::string message;
    EXPECT_EQ(RegisterClasses(registry_, {Class(kIdB, "Pelt.B")}, std::nullopt, &message),
              Result::kRegistryUntrusted);
    EXPECT_EQ(message, expected);
    message.clear();
    EXPECT_EQ(UnregisterClasses(registry_, {*ParseUuid(kIdA)}, std::nullopt, &message),
              Result::kRegistryUntrusted);
    EXPECT_EQ(message, expected);
    message.clear();
    EXPECT_EQ(CheckRegistryTrust(registry_, TrustedOwners::kUserOrRoot, &message),
              Result::kRegistryUntrusted);
    EXPECT_EQ(message, expected);
    EXPECT_EQ(fs::read_symlink(lock), target);
    EXPECT_EQ(ReadFile(registry_), registered_);
  }
  EXPECT_EQ(ReadFile(existing), "precious");
  EXPECT_FALSE(fs::exists(dangling));
  // The registry itself is still read: only writing goes through the lock.
  RegistryContents contents;
  EXPECT_EQ(ReadRegistry(registry_, contents, nullptr), Result::kOk);
}

TEST_F(RegistryTrustTest, TheSystemRegistryAndItsFoldersMustBeRoots) {
  RegistryContents contents;
  std::string message;
  const Result read = ReadRegistry(registry_, contents, &message, TrustedOwners::kRootOnly);
  if (geteuid() != 0) {
    // The temporary folder is the user's, and /tmp above it is root's.
    EXPECT_EQ(read, Result::kRegistryUntrusted);
    EXPECT_EQ(message, Untrusted(NotRoots("{temp}", "{me}", "0700")));
    GTEST_SKIP() << "a registry of root's needs root to make";
  }
  EXPECT_EQ(read, Result::kOk) << message;
  Chown(registry_, kNobody);
  EXPECT_EQ(ReadRegistry(registry_, contents, &message, TrustedOwners::kRootOnly),
            Result::kRegistryUntrusted);
  EXPECT_EQ(message, Untrusted(NotRoots("{registry}", "{nobody}", "0644")));
}

}  // namespace
}  // namespace pelt::runtime
