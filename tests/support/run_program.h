#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace pelt::testing {

// What a program run printed and how it ended. A program killed by a signal
// shows as 128 + the signal number, never as a plain exit code.
struct ProgramOutcome {
  int exit_code = -1;
  std::string out;
  std::string err;
};

struct RunOptions {
  // Standard input; /dev/null when not given.
  std::optional<std::string> stdin_text;
  // The whole environment ("NAME=VALUE"); the test's own when not given.
  std::optional<std::vector<std::string>> environment;
};

// Runs program with args (no shell: arguments arrive exactly as given),
// standard output and error captured through files in dir.
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const TempDir& dir, const RunOptions& options = {});

std::string ReadFile(const std::filesystem::path& path);

// text with every occurrence of from replaced by to.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// Expected text ending in "*" is a prefix; anything else must match exactly.
void ExpectText(const std::string& actual, std::string expected, const char* what);

// Starts program with args (output to /dev/null), waits until a file whose
// name starts with prefix appears in dir, then sends signal_number. The
// exit status, or -2 when no such file appeared within a minute.
int SignalWhenFileAppears(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& dir, const std::string& prefix,
                          int signal_number);

// The names in a directory, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& dir);

}  // namespace pelt::testing
