// Runs "pelt-label format" as a user trying a picture would, and checks the
// printed line and the exit status.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

using Outcome = pelt::testing::ProgramOutcome;

// Runs pelt-label format with args in the C locale's environment, so that
// only --locale decides the locale.
Outcome RunFormat(const std::vector<std::string>& args) {
  const pelt::testing::TempDir dir;
  std::vector<std::string> all{"format"};
  all.insert(all.end(), args.begin(), args.end());
  return pelt::testing::RunProgram(PELT_LABEL_PROGRAM, all, dir,
                                   {std::nullopt, std::vector<std::string>{"LANG=C", "LC_ALL=C"}});
}

TEST(FormatCommandTest, PrintsWhatTheLabelWouldShow) {
  struct Row {
    int line;
    std::vector<std::string> args;
    const char* out;
  } rows[] = {
      {__LINE__, {"num:1234.5", "#,##0.00"}, "1,234.50\n"},
      {__LINE__, {"--function", "Format", "num:-0.4", "0"}, "0\n"},
      {__LINE__, {"num:1234.5"}, "1234.5\n"},
      {__LINE__, {"num:0.1"}, "0.1\n"},
      {__LINE__, {"--locale", "de_DE", "date:2026-01-05", "dddd d. mmmm yyyy"},
       "Montag 5. Januar 2026\n"},
      {__LINE__, {"--locale", "de-DE", "num:1234.5"}, "1234,5\n"},
      {__LINE__, {"date:2026-01-05T13:04:09", "Long Time"}, "1:04:09 PM\n"},
      {__LINE__, {"time:13:04:09"}, "1:04:09 PM\n"},
      {__LINE__, {"str:abc", "@@@@@"}, "  abc\n"},
      {__LINE__, {"str:abc", "0.00"}, "abc\n"},
      {__LINE__, {"null:", "0"}, "\n"},
      {__LINE__, {"null:", "0;0;0;\\N\\u\\l\\l"}, "Null\n"},
      {__LINE__, {"empty:"}, "\n"},
      {__LINE__, {"bool:true", "0"}, "-1\n"},
      {__LINE__, {"bool:true"}, "True\n"},
      {__LINE__, {"int:42", "000"}, "042\n"},
      {__LINE__, {"cur:12.3456"}, "12.3456\n"},
      {__LINE__, {"-f", "FormatNumber", "num:-0.004", "2"}, "0.00\n"},
      {__LINE__, {"--function=formatnumber", "--", "num:1234.5", "-1"}, "1,234.50\n"},
      {__LINE__, {"--function", "FormatNumber", "str:abc", "2"}, "abc\n"},
      {__LINE__, {"--function", "FormatCurrency", "num:-1234.5"}, "-$1,234.50\n"},
      {__LINE__, {"--locale", "ja_JP", "--function", "FormatCurrency", "num:1234.5"},
       "\xEF\xBF\xA5" "1,235\n"},
      {__LINE__, {"--function", "Round", "num:2.5", "0"}, "2\n"},
      {__LINE__, {"--function", "Round", "num:2.675", "2"}, "2.68\n"},
      {__LINE__, {"--function", "Round", "--", "num:2.5", "-1"}, "2.5\n"},
      {__LINE__, {"--function", "Round", "null:", "0"}, "\n"},
      {__LINE__, {"--", "num:-5", "0;(0)"}, "(5)\n"},
      {__LINE__, {"--", "num:5", "-0"}, "-5\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Outcome outcome = RunFormat(row.args);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.out, row.out);
    EXPECT_EQ(outcome.err, "");
  }
}

TEST(FormatCommandTest, RefusesMalformedInputWithOneLine) {
  struct Row {
    int line;
    std::vector<std::string> args;
  } rows[] = {
      {__LINE__, {}},
      {__LINE__, {"1234.5", "0"}},
      {__LINE__, {"num:abc"}},
      {__LINE__, {"date:2026-02-30"}},
      {__LINE__, {"--locale", "xx_YY", "num:1"}},
      {__LINE__, {"--function", "Left", "str:abc", "2"}},
      {__LINE__, {"--function", "FormatCurrency", "num:1", "2"}},
      {__LINE__, {"--function", "FormatNumber", "num:1"}},
      {__LINE__, {"--function", "FormatNumber", "num:1", "two"}},
      {__LINE__, {"--function", "Round", "num:1", "1.5"}},
      {__LINE__, {"num:1", "0", "extra"}},
      {__LINE__, {"--bogus", "num:1"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Outcome outcome = RunFormat(row.args);
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_EQ(outcome.out, "");
    ASSERT_FALSE(outcome.err.empty());
    EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
  }
}

TEST(FormatCommandTest, HelpNamesTheTypedLiterals) {
  const Outcome outcome = RunFormat({"--help"});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_NE(outcome.out.find("date:2026-01-05T13:04:09"), std::string::npos);
  EXPECT_NE(outcome.out.find("--function"), std::string::npos);
}

}  // namespace
}  // namespace pelt::tools
