#include "support/run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace pelt::testing {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

void ExpectText(const std::string& actual, std::string expected, const char* what) {
  if (!expected.empty() && expected.back() == '*') {
    expected.pop_back();
    EXPECT_EQ(actual.substr(0, expected.size()), expected) << what;
  } else {
    EXPECT_EQ(actual, expected) << what;
  }
}

namespace {

// Starts program with args and the given standard streams; 0 when it could
// not start.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::array<std::string, 3>& streams, char* const* envp) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (std::size_t fd = 0; fd < streams.size(); ++fd) {
    const int flags = fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_addopen(&actions, static_cast<int>(fd), streams[fd].c_str(), flags,
                                     0644);
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : 0;
}

// The exit status, or 128 + the signal that ended the program.
int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const TempDir& dir, const RunOptions& options) {
  const std::string in_path = (dir / "stdin.txt").string();
  const std::string out_path = (dir / "stdout.txt").string();
  const std::string err_path = (dir / "stderr.txt").string();
  if (options.stdin_text) std::ofstream(in_path, std::ios::binary) << *options.stdin_text;
  // Pointers into the caller's own strings, which outlive the spawn.
  std::vector<char*> envp;
  if (options.environment) {
    for (const std::string& entry : *options.environment) {
      envp.push_back(const_cast<char*>(entry.c_str()));
    }
  }
  envp.push_back(nullptr);
  ProgramOutcome outcome;
  const pid_t pid =
      Spawn(program, args, {options.stdin_text ? in_path : "/dev/null", out_path, err_path},
            options.environment ? envp.data() : environ);
  if (pid == 0) {
    ADD_FAILURE() << "cannot start " << program;
    return outcome;
  }
  outcome.exit_code = Wait(pid);
  outcome.out = ReadFile(out_path);
  outcome.err = ReadFile(err_path);
  return outcome;
}

int SignalWhenFileAppears(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& dir, const std::string& prefix,
                          int signal_number) {
  const pid_t pid = Spawn(program, args, {"/dev/null", "/dev/null", "/dev/null"}, environ);
  if (pid == 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    for (const std::string& name : FileNames(dir)) seen = seen || name.starts_with(prefix);
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, signal_number);
  const int status = Wait(pid);
  return seen ? status : -2;
}

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace pelt::testing
