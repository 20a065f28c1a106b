#include "language/statement_parser.h"

#include <gtest/gtest.h>

#include "pelt/value/locale.h"
#include "support/dump.h"

namespace pelt::language {
namespace {

using testing::Dump;
using testing::U8;

constexpr const char* kOk = "Successfully created formatting statement";
constexpr const char* kUnknown = "Unknown Error Evaluating Expression";

std::string Improper(const char* statement, const char* field = "A") {
  return std::string("Improper \"") + statement + "\" formatting statement after [" + field +
         "] Field!";
}

// A chain after the expression's first field; it succeeds when the message is kOk.
struct Row {
  int line;
  std::u16string_view expression;
  std::string message;
  std::int32_t position;  // the last character consumed
  std::string entries;
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ScanOutcome outcome{u"left over", /*valid=*/row.message != kOk, {}};
    std::int32_t position = static_cast<std::int32_t>(row.expression.find(u']')) + 1;
    const auto open = static_cast<std::int32_t>(row.expression.find(u'[')) + 1;
    ArgumentAllowance allowance(row.expression.size());
    const FormatParseResult result =
        ParseFormattingStatements(row.expression, position, open, outcome.Target(), allowance);
    EXPECT_EQ(result.succeeded, row.message == kOk);
    EXPECT_EQ(outcome.valid, result.succeeded);
    EXPECT_EQ(U8(result.message), row.message);
    EXPECT_EQ(U8(outcome.message), row.message);
    EXPECT_EQ(position, row.position);
    EXPECT_EQ(result.position, row.position);
    EXPECT_EQ(Dump(result.entries), row.entries);
  }
}

TEST(StatementParserTest, ReadsChains) {
  CheckRows({
      {__LINE__, u"[NAME]", kOk, 6, ".NONE"},
      {__LINE__, u"[NAME].", kOk, 6, ".NONE"},
      {__LINE__, u"[NAME].Lef", kOk, 6, ".NONE"},
      {__LINE__, u"[NAME].ucase", kOk, 12, ".UCase"},
      {__LINE__, u"[NAME].UCase .Left(2)", kOk, 12, ".UCase"},  // a blank ends the chain
      {__LINE__, u"[NAME].UCase.Left(2)x", kOk, 20, ".UCase.Left(2)"},
      {__LINE__, u"[NAME].Absolute", kOk, 10, ".Abs"},
      {__LINE__, u"[NAME].FORMATNUMBER(2)", kOk, 22, ".FormatNumber(2)"},
      {__LINE__, u"[NAME].Format()", kOk, 15, ".Format('')"},
      {__LINE__, u"[NAME].Format(mmm d, yyyy).UCase", kOk, 32, ".Format('mmm d, yyyy').UCase"},
      {__LINE__, u"[NAME].Trim.LTrim.RTrim.LCase.Abs", kOk, 33, ".Trim.LTrim.RTrim.LCase.Abs"},
      {__LINE__, u"[NAME].Right(1).Round(2).Spaces(3)", kOk, 34, ".Right(1).Round(2).Spaces(3)"},
      {__LINE__, u"[NAME].Mid( 7 , -3 )", kOk, 20, ".Mid(7,-3)"},
      {__LINE__, u"[NAME].Replace(,)", kOk, 17, ".Replace('','')"},
      {__LINE__, u"[NAME].Replace( a , b,c )", kOk, 25, ".Replace(' a ',' b,c ')"},
      {__LINE__, u"[ NAME ].UCase", kOk, 14, ".UCase"},
      {__LINE__, u"[NAME].UCa\u017fe", kOk, 12, ".UCase"},  // "\u017f" folds to "s"
  });
}

TEST(StatementParserTest, ReadsNumbersRoundedHalfToEven) {
  CheckRows({
      {__LINE__, u"[N].Left( 2 )", kOk, 13, ".Left(2)"},
      {__LINE__, u"[N].Left(2.5)", kOk, 13, ".Left(2)"},
      {__LINE__, u"[N].Left(3.5)", kOk, 13, ".Left(4)"},
      {__LINE__, u"[N].Left(-2)", kOk, 12, ".Left(-2)"},
      {__LINE__, u"[N].Left(+1e1)", kOk, 14, ".Left(10)"},
      {__LINE__, u"[N].Left(1,234)", kOk, 15, ".Left(1234)"},  // grouped digits
      {__LINE__, u"[N].Spaces(2147483647)", kOk, 22, ".Spaces(2147483647)"},
      {__LINE__, u"[N].Spaces(-2147483648)", kOk, 23, ".Spaces(-2147483648)"},
      // Numeric but beyond 32 bits: an unexpected failure, not a malformed statement.
      {__LINE__, u"[N].Spaces(2147483647.5)", kUnknown, 3, ""},
      {__LINE__, u"[N].UCase.Round(-2147483649)", kUnknown, 9, ".UCase"},
      {__LINE__, u"[N].Mid(1,99999999999)", kUnknown, 3, ""},
      // Beyond the range of doubles the text is not a number at all.
      {__LINE__, u"[A].Left(1e999)", Improper(".Left(0)"), 3, ""},
  });
  value::SetUserLocaleOverride("de_DE");
  CheckRows({
      {__LINE__, u"[N].Left(2,5)", kOk, 13, ".Left(2)"},
      {__LINE__, u"[N].Mid(7,3)", kOk, 12, ".Mid(7,3)"},   // the comma still separates
      {__LINE__, u"[N].Left(2.5)", kOk, 13, ".Left(25)"},  // "." groups digits in German
  });
  value::ClearUserLocaleOverride();
}

// Every statement with arguments, at each point where it can fail.
TEST(StatementParserTest, RejectsMalformedStatements) {
  CheckRows({
      {__LINE__, u"[A].Left (2)", Improper(".Left(0)"), 3, ""},
      {__LINE__, u"[A].Right", Improper(".Right(0)"), 3, ""},
      {__LINE__, u"[A].Round(2", Improper(".Round(0)"), 3, ""},
      {__LINE__, u"[A].Spaces()", Improper(".Spaces(0)"), 3, ""},
      {__LINE__, u"[A].FormatNumber(x)", Improper(".FormatNumber(0)"), 3, ""},
      {__LINE__, u"[A].Format(0.00", Improper(".Format(Instructions)"), 3, ""},
      {__LINE__, u"[A].Mid(7)", Improper(".Mid(0,0)"), 3, ""},
      {__LINE__, u"[A].Mid(x,3)", Improper(".Mid(0,0)"), 3, ""},
      {__LINE__, u"[A].Mid(7,x)", Improper(".Mid(0,0)"), 3, ""},
      {__LINE__, u"[A].Mid(7,3", Improper(".Mid(0,0)"), 3, ""},
      // Only a missing ")" after the "(" doubles the parenthesis.
      {__LINE__, u"[A].Replace(o,xx", Improper(".Replace(Search,Replace))"), 3, ""},
      {__LINE__, u"[A].Replace o,x)", Improper(".Replace(Search,Replace)"), 3, ""},
      {__LINE__, u"[A].Replace(o)", Improper(".Replace(Search,Replace)"), 3, ""},
      {__LINE__, u"[A].Replace(a)b,c", Improper(".Replace(Search,Replace)"), 3, ""},
      {__LINE__, u"[ NAME ].Left(x)", Improper(".Left(0)", " NAME "), 8, ""},
      {__LINE__, u"[A].UCase.Left(x)", Improper(".Left(0)"), 9, ".UCase"},
  });
}

// The search text of ".Replace" can run on to a far comma; such overlapping
// arguments are limited so that a long expression cannot copy a quadratic
// amount of text.
TEST(StatementParserTest, LimitsOverlappingArgumentText) {
  std::u16string expression = u"[N]";
  for (int i = 0; i < 500; ++i) expression += u".Replace(x)";
  expression += std::u16string(500, u'y') + u",z)";
  for (const std::size_t allowance : {std::size_t{64}, expression.size() * 1000}) {
    SCOPED_TRACE(allowance);
    ScanOutcome outcome;
    std::int32_t position = 3;
    ArgumentAllowance limit(allowance);
    const FormatParseResult result =
        ParseFormattingStatements(expression, position, 1, outcome.Target(), limit);
    EXPECT_EQ(result.succeeded, allowance > 64);
    EXPECT_EQ(U8(outcome.message), allowance > 64 ? kOk : kUnknown);
    // On failure, the entries read before the allowance ran out.
    EXPECT_EQ(result.entries.size() == 500u, result.succeeded);
    EXPECT_GT(result.entries.size(), 10u);
  }
}

}  // namespace
}  // namespace pelt::language
