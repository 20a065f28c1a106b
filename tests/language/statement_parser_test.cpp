#include "language/statement_parser.h"

#include <gtest/gtest.h>

#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "support/dump.h"
#include "support/golden_cases.h"

namespace pelt::language {
namespace {

using testing::Dump;
using testing::U8;

constexpr const char* kOk = "Successfully created formatting statement";
constexpr const char* kUnknown = "Unknown Error Evaluating Expression";

TEST(StatementParserTest, ReadsChainsOrRejectsMalformedStatements) {
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/language/statements.cases", [](const pelt::testing::GoldenCase& c) {
        const std::u16string expression = value::FromUtf8(c.input);
        const std::string locale = c.Setting("locale");
        locale.empty() ? value::ClearUserLocaleOverride() : value::SetUserLocaleOverride(locale);
        std::string result;
        for (const bool preset : {true, false}) {  // the parse sets the flag either way
          ScanOutcome outcome{u"left over", preset, {}};
          std::int32_t position = static_cast<std::int32_t>(expression.find(u']')) + 1;
          const auto open = static_cast<std::int32_t>(expression.find(u'[')) + 1;
          ArgumentAllowance allowance(expression.size());
          const FormatParseResult parsed =
              ParseFormattingStatements(expression, position, open, outcome.Target(), allowance);
          EXPECT_EQ(outcome.valid, parsed.succeeded);
          EXPECT_EQ(U8(outcome.message), U8(parsed.message));
          EXPECT_EQ(parsed.position, position);
          const std::string entries = Dump(parsed.entries);
          const std::string message = U8(parsed.message);
          result = "at " + std::to_string(position) + ":" + (entries.empty() ? "" : " " + entries) +
                   "\n" + (parsed.succeeded && message == kOk ? "ok" : message) + "\n";
        }
        value::ClearUserLocaleOverride();
        return result;
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
