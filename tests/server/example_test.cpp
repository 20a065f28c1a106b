// The example host, run as a user would run it after registering the server.

#include <gtest/gtest.h>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/text.h"
#include "support/run_program.h"

namespace pelt::server {
namespace {

using pelt::testing::RunProgram;
using value::Variant;

// What the example prints, worked out with the evaluator in this process on
// the same table the example builds.
std::string ExpectedOutput(std::u16string_view expression) {
  using host::FieldType;
  host::MemoryTable table({{u"NAME", FieldType::kString},
                           {u"COUNTRY", FieldType::kString},
                           {u"POP", FieldType::kInteger},
                           {u"Shape", FieldType::kGeometry}});
  table.AddRow({Variant::FromText(u"Zürich"), Variant::FromText(u"Switzerland"), Variant::FromLong(421878)});
  table.AddRow({Variant::FromText(u"Łódź"), Variant::FromText(u"Poland"), Variant::FromLong(664860)});
  table.AddRow({Variant::FromText(u"Évora"), Variant::FromText(u"Portugal"), Variant::Null()});
  auto values = std::make_shared<value::Collection>();
  static_cast<void>(values->Add(Variant::FromText(u"7"), u"PAGE_NUMBER"));
  evaluator::PeltExpressionEvaluator evaluator;
  const bool valid = evaluator.VerifyExpression(&table, std::u16string(expression)) != evaluator::kFalse;
  std::string out = "created PeltExpressions.PeltExpressionEvaluator\nVerifyExpression: ";
  out += (valid ? "True\nMessage: " : "False\nMessage: ") + value::ToUtf8(evaluator.Message()) + "\n";
  for (std::size_t i = 0; valid && i < table.RowCount(); ++i) {
    out += "label " + std::to_string(i + 1) + ": " +
           value::ToUtf8(evaluator.MakeLabel(&table, &table.Row(i), std::u16string(expression), values)) +
           "\n";
  }
  return out + "libraries still loaded: 0\n";
}

TEST(ExampleHostTest, MakesLabelsLateBoundOnceTheServerIsRegistered) {
  pelt::testing::TempDir dir;
  setenv("PELT_COMPONENT_REGISTRY", (dir / "components.registry").c_str(), 1);
  const pelt::testing::ProgramOutcome unregistered = RunProgram(PELT_EXAMPLE_HOST, {}, dir);
  EXPECT_EQ(unregistered.exit_code, 2);
  EXPECT_NE(unregistered.err.find("cannot create PeltExpressions.PeltExpressionEvaluator"), std::string::npos)
      << unregistered.err;

  ASSERT_EQ(RunProgram(PELT_REGSVR, {"-s", PELT_SERVER_LIBRARY}, dir).exit_code, 0);
  for (std::u16string_view expression :
       {u"Page $$PAGE_NUMBER: [NAME].UCase", u"[NAME] ([COUNTRY].Left(3)) <BOL>[POP]</BOL>", u"[NAME",
        u"[Shape]"}) {
    SCOPED_TRACE(value::ToUtf8(expression));
    const pelt::testing::ProgramOutcome run = RunProgram(PELT_EXAMPLE_HOST, {value::ToUtf8(expression)}, dir);
    const std::string expected = ExpectedOutput(expression);
    // The exit status follows the evaluator's own verdict.
    EXPECT_EQ(run.exit_code, expected.find("VerifyExpression: True") != std::string::npos ? 0 : 1);
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
  }
}

}  // namespace
}  // namespace pelt::server
