#include "language/expression_scanner.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <utility>

#include "language/text_scanner.h"
#include "pelt/errors/failure.h"
#include "pelt/value/text.h"
#include "support/dump.h"
#include "support/golden_cases.h"

namespace pelt::language {
namespace {

using testing::Dump;
using testing::SpanProblems;
using testing::U8;

// Scan procedures that misbehave on demand: fault names what fails.
class FaultyProcedures final : public ScanProcedures {
 public:
  FaultyProcedures(ScanTarget target, std::string fault)
      : direct_(target), fault_(std::move(fault)) {}

  void ScanText(std::u16string_view expression, std::size_t offset, std::size_t length,
                std::vector<Token>& out) override {
    direct_.ScanText(expression, offset, length, out);
    if (fault_ == "text") errors::Raise(errors::Status(91, u"test", u"text failed"));
    if (fault_ == "text without description") errors::Raise(errors::Status(91, u"test", u""));
    if (fault_ == "text out of memory") throw std::bad_alloc();
  }

  FormatParseResult ParseStatements(std::u16string_view expression, std::int32_t& position,
                                    std::int32_t open_position,
                                    ArgumentAllowance& allowance) override {
    FormatParseResult result =
        direct_.ParseStatements(expression, position, open_position, allowance);
    const auto past_end = static_cast<std::int32_t>(expression.size()) + 1;
    if (fault_ == "position before the field") result.position = open_position;
    if (fault_ == "position past the end") result.position = past_end;
    if (fault_ == "no entries") result.entries.clear();
    return result;
  }

 private:
  DirectScanProcedures direct_;
  std::string fault_;
};

// The scan's verdict and message, then the tokens' dump, of each expression
// in expressions.cases, with the scan procedures failing as "@ fault" says.
TEST(ExpressionScannerTest, CutsExpressionsIntoTokensOrReportsFaults) {
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/language/expressions.cases", [](const pelt::testing::GoldenCase& c) {
        const std::u16string expression = value::FromUtf8(c.input);
        const std::string fault = c.Setting("fault");
        std::string result;
        for (const bool preset : {true, false}) {  // the scan sets the flag either way
          ScanOutcome outcome;
          outcome.valid = preset;
          FaultyProcedures procedures(outcome.Target(), fault);
          const bool valid = fault.empty()
                                 ? ScanExpression(expression, outcome.Target())
                                 : ScanExpression(expression, outcome.Target(), procedures);
          EXPECT_EQ(outcome.valid, valid);
          EXPECT_EQ(SpanProblems(expression, outcome.tokens), "");
          result = (valid ? "valid: " : "invalid: ") + U8(outcome.message) + "\n" +
                   pelt::testing::Lines(Dump(outcome.tokens));
        }
        return result;
      });
}

}  // namespace
}  // namespace pelt::language
