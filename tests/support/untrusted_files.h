#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pelt::testing {

// Files and folders with the modes and owners that decide whether the
// runtime trusts them, for the tests of what it refuses.

// The account a test gives a file to when it must be another's (root only).
constexpr uid_t kNobody = 65534;

// Each records a test failure when it cannot change path.
void Chmod(const std::filesystem::path& path, mode_t mode);
void Chown(const std::filesystem::path& path, uid_t owner);

// Makes the changes of a script, a line each (none for ""):
//   chmod PATH MODE       MODE in octal
//   chown PATH            gives PATH to nobody
//   link PATH             moves the file to PATH.real and puts a symbolic
//                         link to it in its place
//   symlink PATH TARGET   a symbolic link to TARGET in place of PATH
//   pipe PATH             a named pipe in place of the file
void ChangeFiles(const std::string& script);

// Placeholders such as "{registry}" and the paths they stand for, the
// longest path first.
using Paths = std::vector<std::pair<std::string, std::string>>;

// text with the placeholders, {me} (the test's account) and {nobody}
// replaced by what they stand for.
std::string Substituted(std::string text, const Paths& paths);

// text with the paths, and the accounts named as owners ("(owner root,"),
// replaced by their placeholders: a message as a case file writes it.
std::string Placeholders(std::string text, const Paths& paths);

}  // namespace pelt::testing
