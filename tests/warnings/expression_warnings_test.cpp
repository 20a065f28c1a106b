#include "pelt/warnings/expression_warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/text.h"

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

struct Row {
  int line;
  std::u16string expression;
  std::string warnings;
};

void CheckRows(const std::vector<Row>& rows, const WarningContext& context) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Dump(Check(row.expression, context).warnings), row.warnings);
  }
}

TEST(ExpressionWarningsTest, NamesTheStatementALiteralTextWasMeantToBe) {
  CheckRows(
      {
          {__LINE__, u"[NAME].Lefft(2)",
           "'.Lefft(2)' after '[NAME]' is literal text; did you mean '.Left(2)'?\n"},
          {__LINE__, u"[NAME].UCase.Lefft(2) x",
           "'.Lefft(2)' after '[NAME].UCase' is literal text; did you mean '.Left(2)'?\n"},
          {__LINE__, u"[NAME].ucsae",
           "'.ucsae' after '[NAME]' is literal text; did you mean '.UCase'?\n"},
          {__LINE__, u"[NAME].Rigt",
           "'.Rigt' after '[NAME]' is literal text; did you mean '.Right(0)'?\n"},
          {__LINE__, u"[NAME].Fromat(0.0",
           "'.Fromat(0.0' after '[NAME]' is literal text; did you mean '.Format(0.0)'?\n"},
          {__LINE__, u"[NAME]..UCase",
           "'..UCase' after '[NAME]' is literal text; did you mean '.UCase'?\n"},
          {__LINE__, u"[NAME].UCase .Left(2)",
           "' .Left(2)' after '[NAME].UCase' is literal text: a statement follows its field with "
           "no blank between; did you mean '.Left(2)'?\n"},
          {__LINE__, u"[POPULATION].FormatCurrency(2)",
           "'(2)' after '[POPULATION].FormatCurrency' is literal text: .FormatCurrency takes no "
           "arguments\n"},
          {__LINE__, u"[NAME].Absolute",
           "'olute' directly after '[NAME].Abs' is literal text: the statement there is .Abs\n"},
          {__LINE__, u"$$DATE.Format(d mmmm yyyy)",
           "statements apply to fields only; the text '.Format(d mmmm yyyy)' after '$$DATE' is "
           "literal\n"},
          {__LINE__, u"$$DATE.Fromat(d)",
           "statements apply to fields only; the text '.Fromat(d)' after '$$DATE' is literal\n"},
          {__LINE__, u"B: [POPULATION].Format(#,##0.00;(#,##0.00))",
           "the argument of .Format after '[POPULATION].Format(#,##0.00;(#,##0.00)' ends at its "
           "first ')': it reads '#,##0.00;(#,##0.00', and the ')' after it is literal text\n"},
          {__LINE__, u"[NAME].Replace(a,(b)) x",
           "the argument of .Replace after '[NAME].Replace(a,(b)' ends at its first ')': it reads "
           "'(b', and the ')' after it is literal text\n"},
      },
      {});
}

TEST(ExpressionWarningsTest, LeavesLiteralTextThatIsNoSlipAlone) {
  CheckRows(
      {
          {__LINE__, u"[NAME].UCase.Left(2) ($$ROW)", ""},
          {__LINE__, u"www.[NAME].com", ""},
          {__LINE__, u"[NAME].txt", ""},
          {__LINE__, u"[NAME]. The end.", ""},
          {__LINE__, u"([POPULATION].Format(0))", ""},
          {__LINE__, u"[NAME] . [NAME]", ""},
          {__LINE__, u"[NAME]...", ""},
          {__LINE__, u"$$TIME.", ""},
          {__LINE__, u"[NAME].Left(2)3", ""},
          {__LINE__, u"Population 2024: [POPULATION]", ""},
          {__LINE__, u"<BOL>[NAME]</BOL>", ""},
          {__LINE__, u"", ""},
          {__LINE__, u"[NAME", ""},
      },
      {});
}

TEST(ExpressionWarningsTest, SuggestsTheNearestFieldsOfTheTable) {
  CheckRows(
      {
          {__LINE__, u"[NAMEE]", "'[NAMEE]': did you mean '[NAME]'?\n"},
          {__LINE__, u"[POPULATON].FormatNumber(0)",
           "'[POPULATON]': did you mean '[POPULATION]'?\n"},
          {__LINE__, u"[name]", ""},
          {__LINE__, u"[AREA]", ""},
      },
      {});
  MemoryTable similar({{u"NAME", FieldType::kString}, {u"NAMES", FieldType::kString}});
  evaluator::PeltExpressionEvaluator evaluator;
  EXPECT_EQ(evaluator.VerifyExpression(&similar, u"[NAMEX]"), evaluator::kFalse);
  EXPECT_EQ(Dump(ExpressionWarnings(u"[NAMEX]", evaluator.Tokens(), {&similar, {}, {}})),
            "'[NAMEX]': did you mean '[NAME]' or '[NAMES]'?\n");
}

TEST(ExpressionWarningsTest, ChecksReservedWordsOnlyAgainstTheWordsTheRunSupplies) {
  const WarningContext run{nullptr, std::vector<std::u16string>{u"PAGE_NUMBER", u"DATE", u"ROW"},
                           std::nullopt};
  CheckRows(
      {
          {__LINE__, u"Page $$PAGE_NUMBR",
           "'$$PAGE_NUMBR' has no value here and reads as \"\"; did you mean '$$PAGE_NUMBER'?\n"},
          {__LINE__, u"$$page_number $$Date $$ROW", ""},
          {__LINE__, u"$$SCALE", "'$$SCALE' has no value here and reads as \"\"\n"},
          {__LINE__, u"Page 8621PAGE_NUMBER", ""},  // no shell
      },
      run);
  CheckRows({{__LINE__, u"$$PAGE_NUMBR", ""}}, {});  // the run is not known
}

TEST(ExpressionWarningsTest, TellsOfDollarsAShellReplaced) {
  const WarningContext run{nullptr, std::vector<std::u16string>{u"PAGE_NUMBER"},
                           std::vector<std::int64_t>{8621, 77}};
  CheckRows(
      {
          {__LINE__, u"Page 8621PAGE_NUMBER [NAME]",
           "'8621PAGE_NUMBER' looks like '$$PAGE_NUMBER' whose '$$' the shell replaced with its "
           "process id; put the expression in single quotes\n"},
          {__LINE__, u"[NAME] 8621ROW",
           "'8621ROW' looks like '$$ROW' whose '$$' the shell replaced with its process id; put "
           "the expression in single quotes\n"},
          {__LINE__, u"78PAGE_NUMBER",
           "'78PAGE_NUMBER' looks like '$$PAGE_NUMBER' whose '$$' the "
           "shell replaced with its process id; put the expression "
           "in single quotes\n"},
          {__LINE__, u"8621 ROW 8621", ""},
          {__LINE__, u"A8621ROW 862ROW", ""},
          {__LINE__, u"77TIME",
           "'77TIME' looks like '$$TIME' whose '$$' the shell replaced with "
           "its process id; put the expression in single quotes\n"},
          {__LINE__, u"Page $$PAGE_NUMBER", ""},
      },
      run);
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
