// pelt-regsvr end to end: the real tool on the real server library, on a
// library without the entry points, and on bad command lines.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>

#include "pelt/runtime/registry.h"
#include "pelt/server/evaluator_interface.h"
#include "run_program.h"
#include "support/temp_dir.h"

namespace pelt::server {
namespace {

using testing::ProgramRun;
using testing::RunProgram;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

class RegsvrTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("PELT_COMPONENT_REGISTRY", registry_.c_str(), 1); }

  ProgramRun Regsvr(std::vector<std::string> arguments) { return RunProgram(PELT_REGSVR, arguments); }

  bool Registered() {
    runtime::RegistryContents contents;
    return runtime::ReadRegistry(registry_, contents, nullptr) == runtime::Result::kOk &&
           contents.FindClass(kPeltExpressionEvaluatorClassId) != nullptr;
  }

  pelt::testing::TempDir dir_;
  std::string registry_ = (dir_ / "components.registry").string();
  std::string server_ = RealPath(PELT_SERVER_LIBRARY);
};

TEST_F(RegsvrTest, RegistersAndUnregistersALibrary) {
  ProgramRun run = Regsvr({PELT_SERVER_LIBRARY});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "registered " + server_ + " in " + registry_ + "\n");
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(Registered());

  run = Regsvr({"-u", PELT_SERVER_LIBRARY});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "unregistered " + server_ + " from " + registry_ + "\n");
  EXPECT_FALSE(Registered());
}

TEST_F(RegsvrTest, SilentRunsPrintNothing) {
  struct Row {
    int line;
    std::vector<std::string> arguments;
    int exit_code;
    bool registered_after;
  } rows[] = {
      {__LINE__, {"-s", PELT_SERVER_LIBRARY}, 0, true},
      {__LINE__, {"-s", "-u", PELT_SERVER_LIBRARY}, 0, false},
      {__LINE__, {"-us", PELT_SERVER_LIBRARY}, 0, false},
      {__LINE__, {"-su", (dir_ / "missing.so").string()}, 2, false},
      {__LINE__, {"-s", PELT_NOT_A_SERVER}, 3, false},
      {__LINE__, {"-s"}, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ProgramRun run = Regsvr(row.arguments);
    EXPECT_EQ(run.exit_code, row.exit_code);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Registered(), row.registered_after);
  }
}

TEST_F(RegsvrTest, BadInputsFailWithAStatusAndAMessage) {
  const std::string text_file = (dir_ / "notes.txt").string();
  std::ofstream(text_file) << "not a library\n";
  struct Row {
    int line;
    std::vector<std::string> arguments;
    int exit_code;
    std::string err;  // what standard error starts with
  } rows[] = {
      {__LINE__, {}, 1, "pelt-regsvr: no library given\nusage: pelt-regsvr"},
      {__LINE__, {"-x", PELT_SERVER_LIBRARY}, 1, "pelt-regsvr: unknown option '-x'\nusage:"},
      {__LINE__, {PELT_SERVER_LIBRARY, PELT_SERVER_LIBRARY}, 1, "pelt-regsvr: one library at a time"},
      {__LINE__, {(dir_ / "missing.so").string()}, 2,
       "pelt-regsvr: cannot load " + (dir_ / "missing.so").string() + ": No such file or directory"},
      {__LINE__, {text_file}, 2, "pelt-regsvr: cannot load " + text_file + ": "},
      {__LINE__, {dir_.path().string()}, 2, "pelt-regsvr: cannot load " + dir_.path().string() + ": "},
      {__LINE__, {PELT_NOT_A_SERVER}, 3,
       "pelt-regsvr: " + RealPath(PELT_NOT_A_SERVER) +
           " does not export DllRegisterServer: it is not a component library"},
      {__LINE__, {"-u", PELT_NOT_A_SERVER}, 3,
       "pelt-regsvr: " + RealPath(PELT_NOT_A_SERVER) + " does not export DllUnregisterServer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ProgramRun run = Regsvr(row.arguments);
    EXPECT_EQ(run.exit_code, row.exit_code);
    EXPECT_EQ(run.err.substr(0, row.err.size()), row.err) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(registry_));  // nothing was written
}

TEST_F(RegsvrTest, ARegistryThatCannotBeWrittenFailsTheEntryPoint) {
  {
    std::ofstream out(registry_);
    out << "pelt-component-registry 1\nend 3\n";
  }
  ProgramRun run = Regsvr({PELT_SERVER_LIBRARY});
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_EQ(run.err, "pelt-regsvr: DllRegisterServer in " + server_ +
                         " failed: registry corrupt: The component registry file is corrupt.\n"
                         "  component registry " + registry_ +
                         ": corrupt, line 2: the closing line counts 3 records but 0 precede it\n");

  std::ofstream(registry_, std::ios::trunc) << "pelt-component-registry 1\nend 0\n";
  std::filesystem::permissions(registry_, std::filesystem::perms::owner_read);
  run = Regsvr({PELT_SERVER_LIBRARY});
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_NE(run.err.find("registry read-only"), std::string::npos) << run.err;
}

TEST_F(RegsvrTest, HelpGoesToStandardOutput) {
  ProgramRun run = Regsvr({"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.substr(0, 37), "usage: pelt-regsvr [-u] [-s] LIBRARY\n");
}

}  // namespace
}  // namespace pelt::server
