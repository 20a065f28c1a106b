#include "support/untrusted_files.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "support/run_program.h"

namespace pelt::testing {
namespace {

namespace fs = std::filesystem;

// The accounts' placeholders and names.
Paths Accounts() {
  const std::pair<const char*, uid_t> uids[] = {{"{me}", geteuid()}, {"{nobody}", kNobody}};
  Paths accounts;
  for (const auto& [placeholder, uid] : uids) {
    const struct passwd* account = getpwuid(uid);
    accounts.emplace_back(placeholder,
                          account != nullptr ? account->pw_name : "uid " + std::to_string(uid));
  }
  return accounts;
}

}  // namespace

void Chmod(const fs::path& path, mode_t mode) { EXPECT_EQ(chmod(path.c_str(), mode), 0) << path; }

void Chown(const fs::path& path, uid_t owner) {
  EXPECT_EQ(lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
}

void ChangeFiles(const std::string& script) {
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string verb;
    std::string path;
    std::string argument;
    words >> verb >> path >> argument;
    if (verb == "chmod") {
      Chmod(path, static_cast<mode_t>(std::stoul(argument, nullptr, 8)));
    } else if (verb == "chown") {
      Chown(path, kNobody);
    } else if (verb == "link") {
      fs::rename(path, path + ".real");
      fs::create_symlink(fs::path(path).filename().string() + ".real", path);
    } else if (verb == "symlink") {
      fs::remove(path);
      fs::create_symlink(argument, path);
    } else if (verb == "pipe") {
      fs::remove(path);
      EXPECT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    } else {
      ADD_FAILURE() << "no such change: " << line;
    }
  }
}

std::string Substituted(std::string text, const Paths& paths) {
  for (const auto& [placeholder, path] : paths)
    text = ReplaceAll(std::move(text), placeholder, path);
  for (const auto& [placeholder, name] : Accounts()) {
    text = ReplaceAll(std::move(text), placeholder, name);
  }
  return text;
}

std::string Placeholders(std::string text, const Paths& paths) {
  for (const auto& [placeholder, path] : paths)
    text = ReplaceAll(std::move(text), path, placeholder);
  for (const auto& [placeholder, name] : Accounts()) {
    text = ReplaceAll(std::move(text), "(owner " + name + ",", "(owner " + placeholder + ",");
  }
  return text;
}

}  // namespace pelt::testing
