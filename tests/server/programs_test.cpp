// The server end to end, as a user meets it: pelt-regsvr registers and
// unregisters the real library (and refuses bad command lines and libraries
// that are no servers), and the example host creates the evaluator by
// program id and makes labels late-bound once the library is registered.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "support/run_program.h"

namespace pelt::server {
namespace {

using pelt::testing::ReadFile;
using pelt::testing::ReplaceAll;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

enum class Program { kRegsvr, kHost };

struct ProgramRun {
  int line;
  Program program;
  // pelt-regsvr's arguments separated by blanks, or the example host's one
  // expression (none when empty).
  std::string arguments;
  int exit_code;
  // Standard output and error; a text ending in "*" gives what it starts with.
  std::string out;
  std::string err;
};

class ProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("PELT_COMPONENT_REGISTRY", registry_.c_str(), 1);
    setenv("PELT_SYSTEM_COMPONENT_REGISTRY", (dir_ / "system" / "components.registry").c_str(), 1);
  }

  // Runs each program in turn, on the registry the runs before it left.
  void Check(const std::vector<ProgramRun>& runs) {
    for (const ProgramRun& run : runs) {
      SCOPED_TRACE(run.line);
      std::vector<std::string> arguments;
      if (run.program == Program::kHost) {
        if (!run.arguments.empty()) arguments.push_back(run.arguments);
      } else {
        std::istringstream words(run.arguments);
        for (std::string word; words >> word;) arguments.push_back(Substituted(word));
      }
      const pelt::testing::ProgramOutcome outcome = pelt::testing::RunProgram(
          run.program == Program::kRegsvr ? PELT_REGSVR : PELT_EXAMPLE_HOST, arguments, dir_);
      EXPECT_EQ(outcome.exit_code, run.exit_code);
      pelt::testing::ExpectText(outcome.out, Substituted(run.out), "standard output");
      pelt::testing::ExpectText(outcome.err, Substituted(run.err), "standard error");
    }
  }

  // In arguments and expected texts: {lib} the server library as given,
  // {server} its real path, {none} a library without the entry points, {dir}
  // a folder, {registry} the registry file, and the example host's lines.
  std::string Substituted(std::string text) {
    const std::string created = "created PeltExpressions.PeltExpressionEvaluator\n";
    const std::pair<std::string, std::string> substitutions[] = {
        {"{lib}", PELT_SERVER_LIBRARY},
        {"{server}", RealPath(PELT_SERVER_LIBRARY)},
        {"{none}", PELT_NOT_A_SERVER},
        {"{none_real}", RealPath(PELT_NOT_A_SERVER)},
        {"{dir}", dir_.path().string()},
        {"{registry}", registry_},
        {"{valid}", created + "VerifyExpression: True\nMessage: Successfully created formatting "
                              "statement\n"},
        {"{invalid}", created + "VerifyExpression: False\nMessage: "},
        {"{unloaded}", "libraries still loaded: 0\n"},
        {"{not created}", "cannot create PeltExpressions.PeltExpressionEvaluator: *"}};
    for (const auto& [from, to] : substitutions) text = ReplaceAll(std::move(text), from, to);
    return text;
  }

  pelt::testing::TempDir dir_;
  std::string registry_ = (dir_ / "components.registry").string();
};

TEST_F(ProgramsTest, RegsvrRegistersTheServerAndTheExampleHostThenMakesLabels) {
  const Program regsvr = Program::kRegsvr;
  const Program host = Program::kHost;
  Check({
      {__LINE__, host, "", 2, "{unloaded}", "{not created}"},
      {__LINE__, regsvr, "", 1, "", "pelt-regsvr: no library given\nusage: pelt-regsvr*"},
      {__LINE__, regsvr, "-x {lib}", 1, "", "pelt-regsvr: unknown option '-x'\nusage:*"},
      {__LINE__, regsvr, "{lib} {lib}", 1, "", "pelt-regsvr: one library at a time*"},
      {__LINE__, regsvr, "{dir}/missing.so", 2, "",
       "pelt-regsvr: cannot load {dir}/missing.so: No such file or directory*"},
      {__LINE__, regsvr, "{dir}", 2, "", "pelt-regsvr: cannot load {dir}: *"},
      {__LINE__, regsvr, "{none}", 3, "",
       "pelt-regsvr: {none_real} does not export DllRegisterServer: it is not a component "
       "library\n"},
      {__LINE__, regsvr, "-u {none}", 3, "",
       "pelt-regsvr: {none_real} does not export DllUnregisterServer*"},
      {__LINE__, host, "", 2, "{unloaded}", "{not created}"},  // none of them registered
      {__LINE__, regsvr, "{lib}", 0, "registered {server} in {registry}\n", ""},
      {__LINE__, host, "[NAME] ([COUNTRY].Left(3)) <BOL>[POP]</BOL>", 0,
       "{valid}label 1: Zürich (Swi) <BOL>421878</BOL>\nlabel 2: Łódź (Pol) <BOL>664860</BOL>\n"
       "label 3: Évora (Por) <BOL></BOL>\n{unloaded}",
       ""},
      {__LINE__, host, "[NAME", 1,
       "{invalid}Missing close bracket(\"]\") on field name.\n{unloaded}", ""},
      {__LINE__, host, "[Shape]", 1,
       "{invalid}Field \"Shape\": geometry and blob field types are not supported by this "
       "tool!\n{unloaded}",
       ""},
      {__LINE__, regsvr, "-u {lib}", 0, "unregistered {server} from {registry}\n", ""},
      {__LINE__, host, "", 2, "{unloaded}", "{not created}"},
      // Silent runs print nothing; the exit status alone tells.
      {__LINE__, regsvr, "-s {lib}", 0, "", ""},
      {__LINE__, host, "", 0,
       "{valid}label 1: Page 7: ZÜRICH\nlabel 2: Page 7: ŁÓDŹ\nlabel 3: Page 7: ÉVORA\n{unloaded}",
       ""},
      {__LINE__, regsvr, "-us {lib}", 0, "", ""},
      {__LINE__, regsvr, "-su {dir}/missing.so", 2, "", ""},
      {__LINE__, regsvr, "-s {none}", 3, "", ""},
      {__LINE__, regsvr, "-s", 1, "", ""},
      {__LINE__, host, "", 2, "{unloaded}", "{not created}"},
      {__LINE__, regsvr, "--help", 0, "usage: pelt-regsvr [-u] [-s] [--system] LIBRARY\n*", ""},
  });
}

TEST_F(ProgramsTest, ARegistryThatCannotBeWrittenIsLeftAsItIs) {
  const std::string corrupt = "pelt-component-registry 1\nend 3\n";
  std::ofstream(registry_) << corrupt;
  Check({
      {__LINE__, Program::kRegsvr, "{lib}", 4, "",
       "pelt-regsvr: DllRegisterServer in {server} failed: registry corrupt: The component "
       "registry file is corrupt.\n  component registry {registry}: corrupt, line 2: the closing "
       "line counts 3 records but 0 precede it\n"},
      {__LINE__, Program::kRegsvr, "-u {lib}", 4, "",
       "pelt-regsvr: DllUnregisterServer in {server} failed: registry corrupt*"},
  });
  EXPECT_EQ(ReadFile(registry_), corrupt);

  std::filesystem::remove(registry_);
  Check({{__LINE__, Program::kRegsvr, "-s {lib}", 0, "", ""}});
  const std::string registered = ReadFile(registry_);
  std::filesystem::permissions(registry_, std::filesystem::perms::owner_read);
  Check({
      {__LINE__, Program::kRegsvr, "-u {lib}", 4, "",
       "pelt-regsvr: DllUnregisterServer in {server} failed: registry read-only: The component "
       "registry file is read-only.\n  {registry}\n"},
      {__LINE__, Program::kHost, "[NAME]",
       0,  // a read-only registry still reads
       "{valid}label 1: Zürich\nlabel 2: Łódź\nlabel 3: Évora\n{unloaded}", ""},
  });
  EXPECT_EQ(ReadFile(registry_), registered);
}

}  // namespace
}  // namespace pelt::server
