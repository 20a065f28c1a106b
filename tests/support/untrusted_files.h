#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pelt::testing {

// Files and folders with the modes and owners that decide whether the
// runtime trusts them, and the words its refusals end with.

// The account a test gives a file to when it must be another's (root only).
constexpr uid_t kNobody = 65534;

// Each records a test failure when it cannot change path.
void Chmod(const std::filesystem::path& path, mode_t mode);
void Chown(const std::filesystem::path& path, uid_t owner);

// text with {me} (the test's account), {nobody} and each name replaced.
std::string Substituted(std::string text,
                        const std::vector<std::pair<std::string, std::string>>& names);

// What a refusal says of path, the user's with mode, that "any account" or
// "its group" could change.
std::string WritableBy(const std::string& by, const std::string& path, const std::string& mode);
// What it says of path, owner's with mode, that does not belong to root.
std::string NotRoots(const std::string& path, const std::string& owner, const std::string& mode);

}  // namespace pelt::testing
