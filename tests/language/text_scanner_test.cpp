#include "language/text_scanner.h"

#include <gtest/gtest.h>

#include <sstream>

#include "pelt/value/text.h"
#include "support/dump.h"
#include "support/golden_cases.h"

namespace pelt::language {
namespace {

TEST(TextScannerTest, SplitsTextAndReservedWordsInsideItsStretch) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/language/literal_text.cases",
                                [](const pelt::testing::GoldenCase& c) {
                                  const std::u16string text = value::FromUtf8(c.input);
                                  std::size_t offset = 0;
                                  std::size_t length = text.size();
                                  if (!c.Setting("stretch").empty())
                                    std::istringstream(c.Setting("stretch")) >> offset >> length;
                                  std::vector<Token> out;
                                  ScanLiteralText(text, offset, length, out);
                                  TokenList tokens;
                                  tokens.Append(std::move(out));
                                  EXPECT_EQ(pelt::testing::SpanProblems(text, tokens), "");
                                  for (const Token& token : tokens) {
                                    EXPECT_GE(token.offset, offset);
                                    EXPECT_LE(token.offset + token.length, offset + length);
                                  }
                                  return pelt::testing::Lines(pelt::testing::Dump(tokens));
                                });
}

}  // namespace
}  // namespace pelt::language
