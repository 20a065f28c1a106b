#include "language/expression_scanner.h"

#include <gtest/gtest.h>

#include <new>

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

// The scan's verdict and message, then the tokens' dump, of each expression
// in expressions.cases.
TEST(ExpressionScannerTest, CutsExpressionsIntoTokensOrReportsBracketFaults) {
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/language/expressions.cases", [](const pelt::testing::GoldenCase& c) {
        const std::u16string expression = value::FromUtf8(c.input);
        std::string result;
        for (const bool preset : {true, false}) {  // the scan sets the flag either way
          ScanOutcome outcome;
          outcome.valid = preset;
          const bool valid = ScanExpression(expression, outcome.Target());
          EXPECT_EQ(outcome.valid, valid);
          EXPECT_EQ(SpanProblems(expression, outcome.tokens), "");
          result = (valid ? "valid: " : "invalid: ") + U8(outcome.message) + "\n" +
                   pelt::testing::Lines(Dump(outcome.tokens));
        }
        return result;
      });
}

enum class Fault {
  kText,
  kTextWithoutDescription,
  kTextOutOfMemory,
  kPositionBeforeField,
  kPositionPastEnd,
  kNoEntries
};

// Scan procedures that misbehave on demand.
class FaultyProcedures final : public ScanProcedures {
 public:
  FaultyProcedures(ScanTarget target, Fault fault) : direct_(target), fault_(fault) {}

  void ScanText(std::u16string_view expression, std::size_t offset, std::size_t length,
                std::vector<Token>& out) override {
    direct_.ScanText(expression, offset, length, out);
    if (fault_ == Fault::kText) errors::Raise(errors::Status(91, u"test", u"text failed"));
    if (fault_ == Fault::kTextWithoutDescription) errors::Raise(errors::Status(91, u"test", u""));
    if (fault_ == Fault::kTextOutOfMemory) throw std::bad_alloc();
  }

  FormatParseResult ParseStatements(std::u16string_view expression, std::int32_t& position,
                                    std::int32_t open_position,
                                    ArgumentAllowance& allowance) override {
    FormatParseResult result =
        direct_.ParseStatements(expression, position, open_position, allowance);
    const auto past_end = static_cast<std::int32_t>(expression.size()) + 1;
    if (fault_ == Fault::kPositionBeforeField) result.position = open_position;
    if (fault_ == Fault::kPositionPastEnd) result.position = past_end;
    if (fault_ == Fault::kNoEntries) result.entries.clear();
    return result;
  }

 private:
  DirectScanProcedures direct_;
  Fault fault_;
};

TEST(ExpressionScannerTest, EndsTheScanOnUnexpectedFailures) {
  struct FaultRow {
    int line;
    std::u16string_view expression;
    Fault fault;
    std::u16string_view message;
    std::string dump;
  };
  const FaultRow rows[] = {
      {__LINE__, u"abc", Fault::kText, u"text failed", ""},
      {__LINE__, u"[A]b[C]", Fault::kText, u"text failed", "Field{A}"},
      {__LINE__, u"[A]b", Fault::kTextWithoutDescription, u"Unknown Error in EvaluateExpression!",
       "Field{A}"},
      {__LINE__, u"a", Fault::kTextOutOfMemory, u"Out of memory", ""},
      {__LINE__, u"a[B]", Fault::kPositionBeforeField, u"Unknown error evaluating expression!",
       "Text{a}"},
      {__LINE__, u"[B]", Fault::kPositionPastEnd, u"Unknown error evaluating expression!", ""},
      {__LINE__, u"[B]", Fault::kNoEntries, u"Unknown error evaluating expression!", ""},
      {__LINE__, u"[B]", Fault::kText, u"Successfully created formatting statement",
       "Field{B}"},  // no literal text, so nothing fails
  };
  for (const FaultRow& row : rows) {
    SCOPED_TRACE(row.line);
    ScanOutcome outcome;
    FaultyProcedures procedures(outcome.Target(), row.fault);
    const bool expected_valid = row.dump == "Field{B}";
    EXPECT_EQ(ScanExpression(row.expression, outcome.Target(), procedures), expected_valid);
    EXPECT_EQ(outcome.valid, expected_valid);
    EXPECT_EQ(U8(outcome.message), U8(row.message));
    EXPECT_EQ(Dump(outcome.tokens), row.dump);
  }
}

}  // namespace
}  // namespace pelt::language
