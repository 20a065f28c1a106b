#include "pelt/warnings/expression_warnings.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/text.h"
#include "support/golden_cases.h"

namespace pelt::warnings {
namespace {

using host::FieldType;
using host::MemoryTable;

MemoryTable Towns() {
  return MemoryTable({{u"NAME", FieldType::kString},
                      {u"POPULATION", FieldType::kInteger},
                      {u"FOUNDED", FieldType::kDate}});
}

// The warnings' texts, one per line, as a terminal shows them.
std::string Dump(const std::vector<Warning>& warnings) {
  std::string dump;
  for (const Warning& warning : warnings) dump += value::ToUtf8(warning.text) + "\n";
  return dump;
}

struct Checked {
  bool valid = false;
  std::vector<Warning> warnings;
};

Checked Check(std::u16string_view expression, WarningContext context) {
  MemoryTable table = Towns();
  context.table = &table;
  evaluator::PeltExpressionEvaluator evaluator;
  Checked run;
  run.valid = evaluator.VerifyExpression(&table, expression) == evaluator::kTrue;
  run.warnings = ExpressionWarnings(expression, evaluator.Tokens(), context);
  return run;
}

TEST(ExpressionWarningsTest, NameSlipsAndLeaveTheRestAlone) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/warnings/expressions.cases",
                                [](const pelt::testing::GoldenCase& c) {
                                  WarningContext context;
                                  std::istringstream words(c.Setting("words"));
                                  for (std::string word; words >> word;) {
                                    if (!context.supplied_words) context.supplied_words.emplace();
                                    context.supplied_words->push_back(value::FromUtf8(word));
                                  }
                                  std::istringstream shells(c.Setting("shells"));
                                  for (std::int64_t id = 0; shells >> id;) {
                                    if (!context.shell_process_ids)
                                      context.shell_process_ids.emplace();
                                    context.shell_process_ids->push_back(id);
                                  }
                                  return Dump(Check(value::FromUtf8(c.input), context).warnings);
                                });
  MemoryTable similar({{u"NAME", FieldType::kString}, {u"NAMES", FieldType::kString}});
  evaluator::PeltExpressionEvaluator evaluator;
  EXPECT_EQ(evaluator.VerifyExpression(&similar, u"[NAMEX]"), evaluator::kFalse);
  EXPECT_EQ(Dump(ExpressionWarnings(u"[NAMEX]", evaluator.Tokens(), {&similar, {}, {}})),
            "'[NAMEX]': did you mean '[NAME]' or '[NAMES]'?\n");
}

TEST(ExpressionWarningsTest, ComesInTheOrderOfTheExpression) {
  const WarningContext run{nullptr, std::vector<std::u16string>{u"PAGE_NUMBER"}, std::nullopt};
  const Checked checked = Check(u"$$PAGE_NUMBR [NAME].Lefft(2) [NAMEE]", run);
  EXPECT_FALSE(checked.valid);
  ASSERT_EQ(checked.warnings.size(), 3u);
  EXPECT_EQ(checked.warnings[0].kind, WarningKind::kWordWithoutValueNear);
  EXPECT_EQ(checked.warnings[1].kind, WarningKind::kMisspeltStatement);
  EXPECT_EQ(checked.warnings[2].kind, WarningKind::kFieldNear);
  EXPECT_EQ(checked.warnings[1].offset, 19u);
  EXPECT_EQ(checked.warnings[1].length, 9u);
}

TEST(ExpressionWarningsTest, GivesNoneForTokensThatDoNotFitTheExpression) {
  language::TokenList tokens;
  tokens.Append(language::Token{language::TokenKind::kText, u".Lefft", {}, 5, 6});
  EXPECT_TRUE(ExpressionWarnings(u"short", tokens, {}).empty());
}

TEST(UnusedWordWarningsTest, NamesEveryGivenWordTheExpressionDoesNotUse) {
  evaluator::PeltExpressionEvaluator evaluator;
  evaluator.VerifyExpression(nullptr, u"Page $$page of $$PAGES");
  const std::vector<std::u16string> given{u"PAGE", u"PAGES", u"SCALE", u"TITLE"};
  EXPECT_EQ(Dump(UnusedWordWarnings(evaluator.Tokens(), given)),
            "'$$SCALE' is given a value but the expression does not use it\n"
            "'$$TITLE' is given a value but the expression does not use it\n");
}

TEST(PictureWarningTest, TellsWhereAnExpressionWouldCutThePicture) {
  EXPECT_FALSE(PictureWarning(u"#,##0.00;-#,##0.00").has_value());
  EXPECT_EQ(value::ToUtf8(PictureWarning(u"#,##0.00;(#,##0.00)")->text),
            "an expression cannot hold this picture: the argument of .Format ends at its first "
            "')', so it would read '#,##0.00;(#,##0.00' and show ')' as literal text");
}

TEST(TextNotDateWarningTest, CountsTheValues) {
  EXPECT_EQ(value::ToUtf8(TextNotDateWarning(1, u"feature 12: '09.03.2024'").text),
            "1 value under a date picture did not read as a date and stayed text; the first, "
            "feature 12: '09.03.2024'");
  EXPECT_EQ(value::ToUtf8(TextNotDateWarning(3, u"row 0: 'x'").text).substr(0, 9), "3 values ");
}

}  // namespace
}  // namespace pelt::warnings
