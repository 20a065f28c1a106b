// The example host, run as a user would run it after registering the server.

#include <gtest/gtest.h>

#include "support/run_program.h"

namespace pelt::server {
namespace {

using pelt::testing::ProgramOutcome;
using pelt::testing::RunProgram;

TEST(ExampleHostTest, MakesLabelsLateBoundOnceTheServerIsRegistered) {
  pelt::testing::TempDir dir;
  setenv("PELT_COMPONENT_REGISTRY", (dir / "components.registry").c_str(), 1);
  const ProgramOutcome unregistered = RunProgram(PELT_EXAMPLE_HOST, {}, dir);
  EXPECT_EQ(unregistered.exit_code, 2);
  EXPECT_NE(unregistered.err.find("cannot create PeltExpressions.PeltExpressionEvaluator"),
            std::string::npos)
      << unregistered.err;

  ASSERT_EQ(RunProgram(PELT_REGSVR, {"-s", PELT_SERVER_LIBRARY}, dir).exit_code, 0);
  const std::string created = "created PeltExpressions.PeltExpressionEvaluator\n";
  const std::string valid =
      "VerifyExpression: True\nMessage: Successfully created formatting statement\n";
  const std::string unloaded = "libraries still loaded: 0\n";
  struct Row {
    int line;
    std::string expression;
    int exit_code;
    std::string out;
  } rows[] = {
      {__LINE__, "Page $$PAGE_NUMBER: [NAME].UCase", 0,
       created + valid +
           "label 1: Page 7: ZÜRICH\nlabel 2: Page 7: ŁÓDŹ\nlabel 3: Page 7: ÉVORA\n" + unloaded},
      {__LINE__, "[NAME] ([COUNTRY].Left(3)) <BOL>[POP]</BOL>", 0,
       created + valid +
           "label 1: Zürich (Swi) <BOL>421878</BOL>\nlabel 2: Łódź (Pol) <BOL>664860</BOL>\n"
           "label 3: Évora (Por) <BOL></BOL>\n" +
           unloaded},
      {__LINE__, "[NAME", 1,
       created + "VerifyExpression: False\nMessage: Missing close bracket(\"]\") on field name.\n" +
           unloaded},
      {__LINE__, "[Shape]", 1,
       created +
           "VerifyExpression: False\nMessage: Field \"Shape\": geometry and blob field types are "
           "not "
           "supported by this tool!\n" +
           unloaded},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome run = RunProgram(PELT_EXAMPLE_HOST, {row.expression}, dir);
    EXPECT_EQ(run.exit_code, row.exit_code);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.err, "");
  }
}

}  // namespace
}  // namespace pelt::server
