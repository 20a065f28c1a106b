#include "support/untrusted_files.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/run_program.h"

namespace pelt::testing {
namespace {

std::string AccountName(uid_t uid) {
  const struct passwd* account = getpwuid(uid);
  return account != nullptr ? account->pw_name : "uid " + std::to_string(uid);
}

}  // namespace

void Chmod(const std::filesystem::path& path, mode_t mode) {
  EXPECT_EQ(chmod(path.c_str(), mode), 0) << path;
}

void Chown(const std::filesystem::path& path, uid_t owner) {
  EXPECT_EQ(lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
}

std::string Substituted(std::string text,
                        const std::vector<std::pair<std::string, std::string>>& names) {
  for (const auto& [from, to] : names) text = ReplaceAll(std::move(text), from, to);
  text = ReplaceAll(std::move(text), "{me}", AccountName(geteuid()));
  return ReplaceAll(std::move(text), "{nobody}", AccountName(kNobody));
}

std::string WritableBy(const std::string& by, const std::string& path, const std::string& mode) {
  return path + " (owner {me}, mode " + mode + ") is writable by " + by +
         ", so another account could make hosts load code of its own; run 'chmod go-w " + path +
         "'";
}

std::string NotRoots(const std::string& path, const std::string& owner, const std::string& mode) {
  return path + " (owner " + owner + ", mode " + mode +
         ") does not belong to root, so its owner could make hosts load code of its own; run "
         "'chown root " +
         path + "', or use files and folders of root's";
}

}  // namespace pelt::testing
