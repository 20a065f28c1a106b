#pragma once

#include <string>
#include <vector>

namespace pelt::server::testing {

struct ProgramRun {
  int exit_code = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs program with arguments (not counting argv[0]) in this process's
// environment, and collects its exit code and both outputs.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace pelt::server::testing
