// pelt-regsvr end to end: the real tool on the real server library, on a
// library without the entry points, and on bad command lines.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>

#include "pelt/runtime/registry.h"
#include "pelt/server/evaluator_interface.h"
#include "support/run_program.h"

namespace pelt::server {
namespace {

using pelt::testing::ExpectText;
using pelt::testing::ProgramOutcome;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

class RegsvrTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("PELT_COMPONENT_REGISTRY", registry_.c_str(), 1); }
  ProgramOutcome Regsvr(const std::vector<std::string>& arguments) {
    return pelt::testing::RunProgram(PELT_REGSVR, arguments, dir_);
  }
  bool Registered() {
    runtime::RegistryContents contents;
    return runtime::ReadRegistry(registry_, contents, nullptr) == runtime::Result::kOk &&
           contents.FindClass(kPeltExpressionEvaluatorClassId) != nullptr;
  }
  pelt::testing::TempDir dir_;
  std::string registry_ = (dir_ / "components.registry").string();
  std::string server_ = RealPath(PELT_SERVER_LIBRARY);
};

// Rows run in order, each on the registry the rows before it left.
TEST_F(RegsvrTest, RegistersUnregistersAndRefusesWithAStatusAndAMessage) {
  const std::string missing = (dir_ / "missing.so").string();
  const std::string text_file = (dir_ / "notes.txt").string();
  std::ofstream(text_file) << "not a library\n";
  const std::string not_a_server = RealPath(PELT_NOT_A_SERVER);
  struct Row {
    int line;
    std::vector<std::string> arguments;
    int exit_code;
    std::string out;
    std::string err;  // "…*": what it starts with
    bool registered_after;
  } rows[] = {
      {__LINE__, {}, 1, "", "pelt-regsvr: no library given\nusage: pelt-regsvr*", false},
      {__LINE__,
       {"-x", PELT_SERVER_LIBRARY},
       1,
       "",
       "pelt-regsvr: unknown option '-x'\nusage:*",
       false},
      {__LINE__,
       {PELT_SERVER_LIBRARY, PELT_SERVER_LIBRARY},
       1,
       "",
       "pelt-regsvr: one library at a time*",
       false},
      {__LINE__,
       {missing},
       2,
       "",
       "pelt-regsvr: cannot load " + missing + ": No such file or directory*",
       false},
      {__LINE__, {text_file}, 2, "", "pelt-regsvr: cannot load " + text_file + ": *", false},
      {__LINE__,
       {dir_.path().string()},
       2,
       "",
       "pelt-regsvr: cannot load " + dir_.path().string() + ": *",
       false},
      {__LINE__,
       {PELT_NOT_A_SERVER},
       3,
       "",
       "pelt-regsvr: " + not_a_server +
           " does not export DllRegisterServer: it is not a component library\n",
       false},
      {__LINE__,
       {"-u", PELT_NOT_A_SERVER},
       3,
       "",
       "pelt-regsvr: " + not_a_server + " does not export DllUnregisterServer*",
       false},
      {__LINE__,
       {PELT_SERVER_LIBRARY},
       0,
       "registered " + server_ + " in " + registry_ + "\n",
       "",
       true},
      {__LINE__,
       {"-u", PELT_SERVER_LIBRARY},
       0,
       "unregistered " + server_ + " from " + registry_ + "\n",
       "",
       false},
      // Silent runs print nothing; the exit status alone tells.
      {__LINE__, {"-s", PELT_SERVER_LIBRARY}, 0, "", "", true},
      {__LINE__, {"-us", PELT_SERVER_LIBRARY}, 0, "", "", false},
      {__LINE__, {"-su", missing}, 2, "", "", false},
      {__LINE__, {"-s", PELT_NOT_A_SERVER}, 3, "", "", false},
      {__LINE__, {"-s"}, 1, "", "", false},
      {__LINE__, {"--help"}, 0, "usage: pelt-regsvr [-u] [-s] LIBRARY\n*", "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome run = Regsvr(row.arguments);
    EXPECT_EQ(run.exit_code, row.exit_code);
    ExpectText(run.out, row.out, "standard output");
    ExpectText(run.err, row.err, "standard error");
    EXPECT_EQ(Registered(), row.registered_after);
  }
}

TEST_F(RegsvrTest, ARegistryThatCannotBeWrittenFailsTheEntryPoint) {
  std::ofstream(registry_) << "pelt-component-registry 1\nend 3\n";
  ProgramOutcome run = Regsvr({PELT_SERVER_LIBRARY});
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_EQ(run.err, "pelt-regsvr: DllRegisterServer in " + server_ +
                         " failed: registry corrupt: The component registry file is corrupt.\n"
                         "  component registry " +
                         registry_ +
                         ": corrupt, line 2: the closing line counts 3 records but 0 precede it\n");
  std::ofstream(registry_, std::ios::trunc) << "pelt-component-registry 1\nend 0\n";
  std::filesystem::permissions(registry_, std::filesystem::perms::owner_read);
  run = Regsvr({PELT_SERVER_LIBRARY});
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_EQ(run.err,
            "pelt-regsvr: DllRegisterServer in " + server_ +
                " failed: registry read-only: The component registry file is read-only.\n  " +
                registry_ + "\n");
}

}  // namespace
}  // namespace pelt::server
