#include "support/run_program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
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

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const TempDir& dir, const RunOptions& options) {
  const std::optional<std::string>& stdin_text = options.stdin_text;
  const std::string in_path = (dir / "stdin.txt").string();
  const std::string out_path = (dir / "stdout.txt").string();
  const std::string err_path = (dir / "stderr.txt").string();
  if (stdin_text) std::ofstream(in_path, std::ios::binary) << *stdin_text;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, stdin_text ? in_path.c_str() : "/dev/null",
                                   O_RDONLY, 0);
  constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC;
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), kWriteFlags, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), kWriteFlags, 0644);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  if (options.environment) {
    for (const std::string& entry : *options.environment) {
      envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
  }

  ProgramOutcome outcome;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(),
                                  options.environment ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program;
    return outcome;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) {
    ADD_FAILURE() << "cannot wait for " << program;
    return outcome;
  }
  outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = ReadFile(out_path);
  outcome.err = ReadFile(err_path);
  return outcome;
}

void CheckRuns(const std::string& program, const std::vector<ExpectedRun>& rows,
               const std::vector<std::pair<std::string, std::string>>& substitutions,
               const RunOptions& options) {
  auto substituted = [&](std::string text) {
    for (const auto& [from, to] : substitutions) text = ReplaceAll(std::move(text), from, to);
    return text;
  };
  const TempDir dir;
  for (const ExpectedRun& row : rows) {
    SCOPED_TRACE(row.line);
    std::vector<std::string> args;
    for (const std::string& arg : row.args) args.push_back(substituted(arg));
    RunOptions run_options = options;
    if (row.stdin_text) run_options.stdin_text = row.stdin_text;
    const ProgramOutcome outcome = RunProgram(program, args, dir, run_options);
    EXPECT_EQ(outcome.exit_code, row.exit_code) << outcome.err;
    ExpectText(outcome.out, substituted(row.out), "standard output");
    ExpectText(outcome.err, substituted(row.err), "standard error");
  }
}

int SignalWhenFileAppears(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& dir, const std::string& prefix,
                          int signal_number) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool seen = false;
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    for (const std::string& name : FileNames(dir)) seen = seen || name.starts_with(prefix);
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, signal_number);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return seen ? WEXITSTATUS(status) : -2;
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
