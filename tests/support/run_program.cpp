#include "support/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

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

}  // namespace pelt::testing
