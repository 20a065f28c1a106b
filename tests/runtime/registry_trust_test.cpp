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
#include "support/golden_cases.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/untrusted_files.h"

namespace pelt::runtime {
namespace {

namespace fs = std::filesystem;
using pelt::testing::Chmod;
using pelt::testing::Chown;
using pelt::testing::kNobody;
using pelt::testing::Placeholders;
using pelt::testing::ReadFile;
using pelt::testing::Substituted;

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

  // {registry}, {folder}, {outer} and {temp} (the temporary folder).
  pelt::testing::Paths Paths() const {
    return {{"{registry}", registry_.string()},
            {"{folder}", folder_.string()},
            {"{outer}", outer_.string()},
            {"{temp}", dir_.path().string()}};
  }

  pelt::testing::TempDir dir_;
  fs::path outer_ = dir_ / "outer";
  fs::path folder_ = outer_ / "pelt";
  fs::path registry_ = folder_ / "components.registry";
  std::string registered_;
};

class RegistryTrustTest : public ::testing::Test, protected Scene {};

// Makes a registry, changes it as the case says, then reads, checks and
// writes it: "trusted" when read, or the message each of the three refuses
// it with; a refused file stays as it was.
std::string ReadAfterChanges(const pelt::testing::GoldenCase& c) {
  const Scene scene;
  pelt::testing::ChangeFiles(pelt::testing::Substituted(c.input, scene.Paths()));
  RegistryContents contents;
  std::string read;
  std::string checked;
  const Result result = ReadRegistry(scene.registry_, contents, &read);
  const Result check = CheckRegistryTrust(scene.registry_, TrustedOwners::kUserOrRoot, &checked);
  if (result == Result::kOk) {
    EXPECT_EQ(contents.classes.size(), 1u);
    EXPECT_EQ(check, Result::kOk) << checked;
    return "trusted\n";
  }
  std::string written;
  EXPECT_EQ(result, Result::kRegistryUntrusted);
  EXPECT_TRUE(contents.classes.empty());
  EXPECT_EQ(check, Result::kRegistryUntrusted);
  EXPECT_EQ(checked, read);
  EXPECT_EQ(RegisterClasses(scene.registry_, {Class(kIdB, "Pelt.B")}, std::nullopt, &written),
            Result::kRegistryUntrusted);
  EXPECT_EQ(written, read);
  const fs::path file = fs::is_symlink(scene.registry_)
                            ? fs::path(scene.registry_.string() + ".real")
                            : scene.registry_;
  if (fs::is_regular_file(file)) {
    EXPECT_EQ(ReadFile(file), scene.registered_);
  }
  return pelt::testing::Placeholders(read, scene.Paths()) + "\n";
}

TEST(RegistryTrustRefusalTest, ARegistryOthersCouldChangeIsNeitherReadNorWritten) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/runtime/registry_trust.cases", ReadAfterChanges);
}

TEST(RegistryTrustRefusalTest, ARegistryOfAnotherAccountIsNeitherReadNorWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another account (chown) needs root";
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/runtime/registry_trust_root.cases",
                                ReadAfterChanges);
}

TEST_F(RegistryTrustTest, AMissingRegistryIsEmptyButIsNotMadeInAFolderOthersCouldChange) {
  fs::remove(registry_);
  Chmod(folder_, 0777);
  RegistryContents contents;
  std::string message;
  EXPECT_EQ(ReadRegistry(registry_, contents, &message), Result::kOk) << message;  // nothing to run
  EXPECT_EQ(RegisterClasses(registry_, {Class(kIdB, "Pelt.B")}, std::nullopt, &message),
            Result::kRegistryUntrusted);
  EXPECT_EQ(Placeholders(message, Paths()),
            "component registry {registry}: not trusted: {folder} (owner {me}, mode 0777) is "
            "writable by any account, so another account could make hosts load code of its own; "
            "run 'chmod go-w {folder}'");
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
  const std::string expected = Substituted(
      "component registry {registry}: not trusted: {registry}.lock is a symbolic link, which "
      "could redirect the write; remove it: the runtime makes its own",
      Paths());
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
    EXPECT_EQ(Placeholders(message, Paths()),
              "component registry {registry}: not trusted: {temp} (owner {me}, mode 0700) does "
              "not belong to root, so its owner could make hosts load code of its own; run 'chown "
              "root {temp}', or use files and folders of root's");
    GTEST_SKIP() << "a registry of root's needs root to make";
  }
  EXPECT_EQ(read, Result::kOk) << message;
  Chown(registry_, kNobody);
  EXPECT_EQ(ReadRegistry(registry_, contents, &message, TrustedOwners::kRootOnly),
            Result::kRegistryUntrusted);
  EXPECT_EQ(Placeholders(message, Paths()),
            "component registry {registry}: not trusted: {registry} (owner {nobody}, mode 0644) "
            "does not belong to root, so its owner could make hosts load code of its own; run "
            "'chown root {registry}', or use files and folders of root's");
}

}  // namespace
}  // namespace pelt::runtime
