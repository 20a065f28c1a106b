// The server end to end, as a user meets it: pelt-regsvr registers and
// unregisters the real library (and refuses bad command lines and libraries
// that are no servers), and the example host creates the evaluator by
// program id and makes labels late-bound once the library is registered.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>

#include "support/run_program.h"
#include "support/transcript.h"

namespace pelt::server {
namespace {

using pelt::testing::ReadFile;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

class ProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("PELT_COMPONENT_REGISTRY", registry_.c_str(), 1);
    setenv("PELT_SYSTEM_COMPONENT_REGISTRY", (dir_ / "system" / "components.registry").c_str(), 1);
  }

  void RunTranscript(const std::string& name) {
    pelt::testing::RunTranscript("/usr/bin/env", PELT_TESTS_DIR "/server/" + name,
                                 {{"regsvr", PELT_REGSVR},
                                  {"host", PELT_EXAMPLE_HOST},
                                  {"lib", PELT_SERVER_LIBRARY},
                                  {"server", RealPath(PELT_SERVER_LIBRARY)},
                                  {"none", PELT_NOT_A_SERVER},
                                  {"none_real", RealPath(PELT_NOT_A_SERVER)},
                                  {"dir", dir_.path().string()},
                                  {"registry", registry_}});
  }

  pelt::testing::TempDir dir_;
  std::string registry_ = (dir_ / "components.registry").string();
};

TEST_F(ProgramsTest, RegsvrRegistersTheServerAndTheExampleHostThenMakesLabels) {
  RunTranscript("programs.runs");
}

TEST_F(ProgramsTest, ARegistryThatCannotBeWrittenIsLeftAsItIs) {
  const std::string corrupt = "pelt-component-registry 1\nend 3\n";
  std::ofstream(registry_) << corrupt;
  RunTranscript("corrupt_registry.runs");
  EXPECT_EQ(ReadFile(registry_), corrupt);

  std::filesystem::remove(registry_);
  EXPECT_EQ(pelt::testing::RunProgram(PELT_REGSVR, {"-s", PELT_SERVER_LIBRARY}, dir_).exit_code, 0);
  const std::string registered = ReadFile(registry_);
  std::filesystem::permissions(registry_, std::filesystem::perms::owner_read);
  RunTranscript("read_only_registry.runs");
  EXPECT_EQ(ReadFile(registry_), registered);
}

}  // namespace
}  // namespace pelt::server
