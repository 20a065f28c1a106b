#include "language/expression_scanner.h"

#include <gtest/gtest.h>

#include <new>

#include "language/text_scanner.h"
#include "pelt/errors/failure.h"
#include "support/dump.h"

namespace pelt::language {
namespace {

using testing::Dump;
using testing::SpanProblems;
using testing::U8;

constexpr std::u16string_view kParsed = u"Successfully created formatting statement";
constexpr std::u16string_view kValid = u"Expression is Valid!";

struct Row {
  int line;
  std::u16string_view expression;
  bool valid;
  std::u16string_view message;
  std::string dump;
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ScanOutcome outcome;
    outcome.valid = !row.valid;
    const std::u16string expression(row.expression);
    EXPECT_EQ(ScanExpression(expression, outcome.Target()), row.valid);
    EXPECT_EQ(outcome.valid, row.valid);
    EXPECT_EQ(U8(outcome.message), U8(row.message));
    EXPECT_EQ(Dump(outcome.tokens), row.dump);
    EXPECT_EQ(SpanProblems(expression, outcome.tokens), "");
    EXPECT_EQ(expression, row.expression);
  }
}

TEST(ExpressionScannerTest, CutsExpressionsIntoTokens) {
  CheckRows({
      {__LINE__, u"abc", true, kValid, "Text{abc}"},
      {__LINE__, u"Page $$PAGE_NUMBER", true, kValid, "Text{Page } | Word{PAGE_NUMBER}"},
      {__LINE__, u"[NAME]", true, kParsed, "Field{NAME}"},
      {__LINE__, u"[ ]", true, kParsed, "Field{ }"},
      {__LINE__, u"Name: [NAME].UCase.Left(3) ($$ROW)", true, kParsed,
       "Text{Name: } | Field{NAME}.UCase.Left(3) | Text{ (} | Word{ROW} | Text{)}"},
      {__LINE__, u"x[A]y[B]z", true, kParsed, "Text{x} | Field{A} | Text{y} | Field{B} | Text{z}"},
      {__LINE__, u"[A][B]", true, kParsed, "Field{A} | Field{B}"},
      {__LINE__, u"[A]$$", true, kParsed, "Field{A} | Text{$$}"},
      {__LINE__, u"[A].UCase$$B.", true, kParsed, "Field{A}.UCase | Word{B} | Text{.}"},
      {__LINE__, u"[A].Left(1)..", true, kParsed, "Field{A}.Left(1) | Text{..}"},
      {__LINE__, u"[A].FormatCurrency(2)", true, kParsed, "Field{A}.FormatCurrency | Text{(2)}"},
      // What the parser takes for arguments is not scanned again, brackets included.
      {__LINE__, u"[A].Replace([,])", true, kParsed, "Field{A}.Replace('[',']')"},
      // The comma and the ")" are looked for independently: the search text
      // runs past the first ")", and the statement still ends there.
      {__LINE__, u"[A].Replace(a)b,c)", true, kParsed, "Field{A}.Replace('a)b','c') | Text{b,c)}"},
      {__LINE__, u"\U0001F600[A]\U0001F600", true, kParsed,
       "Text{\U0001F600} | Field{A} | Text{\U0001F600}"},
  });
}

TEST(ExpressionScannerTest, ReportsBracketFaults) {
  CheckRows({
      {__LINE__, u"", false, u"Expression is empty.", ""},
      {__LINE__, u"[", false, u"Missing close bracket(\"]\") on field name.", ""},
      {__LINE__, u"]", false, u"Missing open bracket(\"[\") on field name.", ""},
      {__LINE__, u"[]", false, u"Empty Field name brackets (\"[ ]\")!", ""},
      {__LINE__, u"x[A][]", false, u"Empty Field name brackets (\"[ ]\")!", "Text{x} | Field{A}"},
      {__LINE__, u"[A[B]]", false, u"Missing close bracket (\"]\") or nested field names!", ""},
      {__LINE__, u"[A]]", false, u"Missing Open bracket (\"[\") or nested field names!",
       "Field{A}"},
      {__LINE__, u"]A[", false, u"Missing Open bracket (\"[\") or nested field names!", ""},
      {__LINE__, u"[A].Left(2)]", false, u"Missing Open bracket (\"[\") or nested field names!",
       "Field{A}.Left(2)"},
      {__LINE__, u"[A]x[", false, u"Missing close bracket (\"]\")!", "Field{A} | Text{x}"},
      {__LINE__, u"[A]b[C].Mid(1)", false,
       u"Improper \".Mid(0,0)\" formatting statement after [C] Field!", "Field{A} | Text{b}"},
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
