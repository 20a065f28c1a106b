#include "language/statement_parser.h"

#include <gtest/gtest.h>

#include "language/messages.h"
#include "pelt/value/locale.h"
#include "support/dump.h"

namespace pelt::language {
namespace {

using testing::Dump;
using testing::U8;

constexpr std::u16string_view kParsed = u"Successfully created formatting statement";
constexpr std::u16string_view kUnknown = u"Unknown Error Evaluating Expression";

struct Parsed {
  bool succeeded = false;
  std::string message;         // the result's message
  std::string target_message;  // what the parser left in the target
  bool target_valid = false;
  std::int32_t position = 0;  // the in/out argument after the call
  std::int32_t result_position = 0;
  std::string entries;
};

// Parses the statements after the first field of expression.
Parsed Parse(std::u16string_view expression) {
  ScanOutcome outcome;
  outcome.message = u"left over";
  outcome.valid = false;
  std::int32_t position = static_cast<std::int32_t>(expression.find(u']')) + 1;
  const std::int32_t open = static_cast<std::int32_t>(expression.find(u'[')) + 1;
  ArgumentAllowance allowance(expression.size());
  const FormatParseResult result =
      ParseFormattingStatements(expression, position, open, outcome.Target(), allowance);
  return Parsed{result.succeeded,
                U8(result.message),
                U8(outcome.message),
                outcome.valid,
                position,
                result.position,
                Dump(result.entries)};
}

std::string Improper(std::u16string_view statement, std::u16string_view field) {
  return "Improper \"" + U8(statement) + "\" formatting statement after [" + U8(field) +
         "] Field!";
}

struct Row {
  int line;
  std::u16string_view expression;
  bool succeeded;
  std::string message;
  std::int32_t position;
  std::string entries;
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Parsed parsed = Parse(row.expression);
    EXPECT_EQ(parsed.succeeded, row.succeeded);
    EXPECT_EQ(parsed.message, row.message);
    EXPECT_EQ(parsed.target_message, row.message);
    EXPECT_EQ(parsed.target_valid, row.succeeded);
    EXPECT_EQ(parsed.position, row.position);
    EXPECT_EQ(parsed.result_position, row.position);
    EXPECT_EQ(parsed.entries, row.entries);
  }
}

TEST(StatementParserTest, TriesLongerNamesFirst) {
  std::string order;
  for (const StatementInfo* info : StatementTryOrder()) order += U8(info->name) + " ";
  EXPECT_EQ(order,
            "Abs FormatCurrency FormatNumber Format LCase Left LTrim Mid Replace Right Round RTrim "
            "Spaces Trim UCase ");
}

TEST(StatementParserTest, ReadsChains) {
  const std::string ok = U8(kParsed);
  CheckRows({
      {__LINE__, u"[NAME]", true, ok, 6, ".NONE"},
      {__LINE__, u"[NAME] x", true, ok, 6, ".NONE"},
      {__LINE__, u"[NAME].", true, ok, 6, ".NONE"},
      {__LINE__, u"[NAME].Lef", true, ok, 6, ".NONE"},
      {__LINE__, u"[NAME]..UCase", true, ok, 6, ".NONE"},
      {__LINE__, u"[NAME].ucase", true, ok, 12, ".UCase"},
      {__LINE__, u"[NAME].UCase.Left(2)", true, ok, 20, ".UCase.Left(2)"},
      {__LINE__, u"[NAME].UCase .Left(2)", true, ok, 12, ".UCase"},
      {__LINE__, u"[NAME].Absolute", true, ok, 10, ".Abs"},
      {__LINE__, u"[NAME].FormatCurrency(2)", true, ok, 21, ".FormatCurrency"},
      {__LINE__, u"[NAME].FormatNumber(2)", true, ok, 22, ".FormatNumber(2)"},
      {__LINE__, u"[NAME].FORMATNUMBER(2)", true, ok, 22, ".FormatNumber(2)"},
      {__LINE__, u"[NAME].Format(0.00)", true, ok, 19, ".Format('0.00')"},
      {__LINE__, u"[NAME].Format()", true, ok, 15, ".Format('')"},
      {__LINE__, u"[NAME].Format(a,b [c])", true, ok, 22, ".Format('a,b [c]')"},
      {__LINE__, u"[NAME].Format(mmm d, yyyy).UCase", true, ok, 32,
       ".Format('mmm d, yyyy').UCase"},
      {__LINE__, u"[NAME].Trim.LTrim.RTrim.LCase.Abs.FormatCurrency", true, ok, 48,
       ".Trim.LTrim.RTrim.LCase.Abs.FormatCurrency"},
      {__LINE__, u"[NAME].Right(1).Round(2).Spaces(3)", true, ok, 34,
       ".Right(1).Round(2).Spaces(3)"},
      {__LINE__, u"[NAME].Left(2)x", true, ok, 14, ".Left(2)"},
      {__LINE__, u"[NAME].Left(2).", true, ok, 14, ".Left(2)"},
      {__LINE__, u"[NAME].Mid(7,3)", true, ok, 15, ".Mid(7,3)"},
      {__LINE__, u"[NAME].Mid( 7 , -3 )", true, ok, 20, ".Mid(7,-3)"},
      {__LINE__, u"[NAME].Replace(o,xx)", true, ok, 20, ".Replace('o','xx')"},
      {__LINE__, u"[NAME].Replace(,)", true, ok, 17, ".Replace('','')"},
      {__LINE__, u"[NAME].Replace( a , b,c )", true, ok, 25, ".Replace(' a ',' b,c ')"},
      {__LINE__, u"[NAME].Replace(\u00e9,\u00fc)", true, ok, 19,
       ".Replace('\u00e9','\u00fc')"},
      // The comma and the ")" are looked for independently: the search text
      // runs past the first ")", and the statement still ends there.
      {__LINE__, u"[NAME].Replace(a)b,c)", true, ok, 17, ".Replace('a)b','c')"},
      {__LINE__, u"[ NAME ].UCase", true, ok, 14, ".UCase"},
      // Names match under the component's case folding ("\u017f" folds to "s").
      {__LINE__, u"[NAME].UCa\u017fe", true, ok, 12, ".UCase"},
  });
}

TEST(StatementParserTest, ReadsNumbersRoundedHalfToEven) {
  const std::string ok = U8(kParsed);
  CheckRows({
      {__LINE__, u"[N].Left( 2 )", true, ok, 13, ".Left(2)"},
      {__LINE__, u"[N].Left(2.5)", true, ok, 13, ".Left(2)"},
      {__LINE__, u"[N].Left(3.5)", true, ok, 13, ".Left(4)"},
      {__LINE__, u"[N].Left(-2)", true, ok, 12, ".Left(-2)"},
      {__LINE__, u"[N].Left(-2.5)", true, ok, 14, ".Left(-2)"},
      {__LINE__, u"[N].Left(+1e1)", true, ok, 14, ".Left(10)"},
      {__LINE__, u"[N].Round(0.49)", true, ok, 15, ".Round(0)"},
      {__LINE__, u"[N].Left(1,234)", true, ok, 15, ".Left(1234)"},  // grouped digits
      {__LINE__, u"[N].Spaces(2147483647)", true, ok, 22, ".Spaces(2147483647)"},
      {__LINE__, u"[N].Spaces(-2147483648)", true, ok, 23, ".Spaces(-2147483648)"},
      // Numeric but beyond 32 bits: an unexpected failure, not a malformed statement.
      {__LINE__, u"[N].Left(99999999999)", false, U8(kUnknown), 3, ""},
      {__LINE__, u"[N].Spaces(2147483647.5)", false, U8(kUnknown), 3, ""},
      {__LINE__, u"[N].UCase.Round(-2147483649)", false, U8(kUnknown), 9, ".UCase"},
      {__LINE__, u"[N].Mid(99999999999,x)", false, U8(kUnknown), 3, ""},
      {__LINE__, u"[N].Mid(1,99999999999)", false, U8(kUnknown), 3, ""},
      // Beyond the range of doubles the text is not a number at all.
      {__LINE__, u"[N].Left(1e999)", false, Improper(u".Left(0)", u"N"), 3, ""},
  });
}

TEST(StatementParserTest, ReadsNumbersInTheUsersLocale) {
  value::SetUserLocaleOverride("de_DE");
  const std::string ok = U8(kParsed);
  CheckRows({
      {__LINE__, u"[N].Left(2,5)", true, ok, 13, ".Left(2)"},
      {__LINE__, u"[N].Left(3,5)", true, ok, 13, ".Left(4)"},
      {__LINE__, u"[N].Mid(7,3)", true, ok, 12, ".Mid(7,3)"},  // the comma still separates
      {__LINE__, u"[N].Left(2.5)", true, ok, 13, ".Left(25)"},  // "." groups digits in German
  });
  value::ClearUserLocaleOverride();
}

TEST(StatementParserTest, RejectsMalformedStatements) {
  CheckRows({
      {__LINE__, u"[NAME].Left (2)", false, Improper(u".Left(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Left(x)", false, Improper(u".Left(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Left()", false, Improper(u".Left(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Left(2", false, Improper(u".Left(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Left", false, Improper(u".Left(0)", u"NAME"), 6, ""},
      {__LINE__, u"[A].Left(2 of (3)", false, Improper(u".Left(0)", u"A"), 3, ""},
      {__LINE__, u"[NAME].Right(x)", false, Improper(u".Right(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Round(x)", false, Improper(u".Round(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Spaces(x)", false, Improper(u".Spaces(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].FormatNumber()", false, Improper(u".FormatNumber(0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Format", false, Improper(u".Format(Instructions)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Format(0.00", false, Improper(u".Format(Instructions)", u"NAME"), 6,
       ""},
      {__LINE__, u"[NAME].Mid(7)", false, Improper(u".Mid(0,0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Mid(7,x)", false, Improper(u".Mid(0,0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Mid(x,3)", false, Improper(u".Mid(0,0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Mid(7,3", false, Improper(u".Mid(0,0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Mid(7),3)", false, Improper(u".Mid(0,0)", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Replace(o,xx", false,
       Improper(u".Replace(Search,Replace))", u"NAME"), 6, ""},
      {__LINE__, u"[NAME].Replace(", false, Improper(u".Replace(Search,Replace))", u"NAME"), 6,
       ""},
      {__LINE__, u"[NAME].Replace(o)", false, Improper(u".Replace(Search,Replace)", u"NAME"), 6,
       ""},
      {__LINE__, u"[NAME].Replace o,x)", false, Improper(u".Replace(Search,Replace)", u"NAME"),
       6, ""},
      {__LINE__, u"[NAME].Replace(a)b,c", false, Improper(u".Replace(Search,Replace)", u"NAME"),
       6, ""},
      {__LINE__, u"[ NAME ].Left(x)", false, Improper(u".Left(0)", u" NAME "), 8, ""},
      {__LINE__, u"[NAME].UCase.Left(x)", false, Improper(u".Left(0)", u"NAME"), 12, ".UCase"},
      {__LINE__, u"[NAME].Left(1).Mid(2).Trim", false, Improper(u".Mid(0,0)", u"NAME"), 14,
       ".Left(1)"},
      {__LINE__, u"[\u0441\u0442\u0440].Left(x)", false,
       Improper(u".Left(0)", u"\u0441\u0442\u0440"), 5, ""},
  });
}

// The search text of ".Replace" can run on to a far comma; such overlapping
// arguments are limited so that a long expression cannot copy a quadratic
// amount of text.
TEST(StatementParserTest, LimitsOverlappingArgumentText) {
  std::u16string expression = u"[N]";
  for (int i = 0; i < 500; ++i) expression += u".Replace(x)";
  expression += std::u16string(500, u'y');
  expression += u",z)";
  ScanOutcome outcome;
  std::int32_t position = 3;
  ArgumentAllowance small(64);
  FormatParseResult result =
      ParseFormattingStatements(expression, position, 1, outcome.Target(), small);
  EXPECT_FALSE(result.succeeded);
  EXPECT_EQ(U8(outcome.message), U8(kUnknown));
  EXPECT_GT(result.entries.size(), 10u);  // the entries read before the allowance ran out

  position = 3;
  ArgumentAllowance ample(expression.size() * 1000);
  result = ParseFormattingStatements(expression, position, 1, outcome.Target(), ample);
  EXPECT_TRUE(result.succeeded);
  EXPECT_EQ(result.entries.size(), 500u);
}

}  // namespace
}  // namespace pelt::language
