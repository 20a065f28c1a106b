#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelt::reference {

// The output of a "pelt-label …" command line of the reference, computed as
// the command computes it, so that a session never shows what the program
// does not print. Known: format (every option), label (--locale, --limit,
// --where, --set; a SOURCE relative to root and EXPR), and help TOPIC, whose
// text the caller supplies.
struct ShellOutput {
  std::vector<std::string> lines;  // standard output
  std::string help_topic;          // for help TOPIC: the topic, lines empty
};

// nullopt with error set for a line the reference cannot compute.
std::optional<ShellOutput> RunShellExample(const std::string& line,
                                           const std::filesystem::path& root, std::string& error);

// The words of a command line as a POSIX shell splits them, with $'…'
// strings; nullopt for an unclosed quote.
std::optional<std::vector<std::string>> ShellWords(const std::string& line);

}  // namespace pelt::reference
