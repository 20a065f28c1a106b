// Runs "pelt-label format" as a user trying a picture would, and checks the
// printed line and the exit status: every kind of typed literal, every
// function and the options. The formatting itself has its golden files.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace pelt::tools {
namespace {

// Runs pelt-label format in the C locale's environment, so that only
// --locale decides the locale.
void CheckFormatRuns(const std::vector<pelt::testing::ExpectedRun>& rows) {
  pelt::testing::CheckRuns(PELT_LABEL_PROGRAM, rows, {},
                           {std::nullopt, std::vector<std::string>{"LANG=C", "LC_ALL=C"}});
}

TEST(FormatCommandTest, PrintsWhatTheLabelWouldShow) {
  CheckFormatRuns({
      {__LINE__, {"format", "num:1234.5", "#,##0.00"}, 0, "1,234.50\n", ""},
      {__LINE__, {"format", "--function", "Format", "num:-0.4", "0"}, 0, "0\n", ""},
      {__LINE__, {"format", "num:1234.5"}, 0, "1234.5\n", ""},
      {__LINE__,
       {"format", "--locale", "de_DE", "date:2026-01-05", "dddd d. mmmm yyyy"},
       0,
       "Montag 5. Januar 2026\n",
       ""},
      {__LINE__, {"format", "--locale", "de-DE", "num:1234.5"}, 0, "1234,5\n", ""},
      {__LINE__, {"format", "date:2026-01-05T13:04:09", "Long Time"}, 0, "1:04:09 PM\n", ""},
      {__LINE__, {"format", "time:13:04:09"}, 0, "1:04:09 PM\n", ""},
      {__LINE__, {"format", "str:abc", "@@@@@"}, 0, "  abc\n", ""},
      {__LINE__, {"format", "null:", "0"}, 0, "\n", ""},
      {__LINE__, {"format", "empty:"}, 0, "\n", ""},
      {__LINE__, {"format", "bool:true"}, 0, "True\n", ""},
      {__LINE__, {"format", "int:42", "000"}, 0, "042\n", ""},
      {__LINE__, {"format", "cur:12.3456"}, 0, "12.3456\n", ""},
      {__LINE__, {"format", "-f", "FormatNumber", "num:-0.004", "2"}, 0, "0.00\n", ""},
      {__LINE__,
       {"format", "--function=formatnumber", "--", "num:1234.5", "-1"},
       0,
       "1,234.50\n",
       ""},
      // A word that reads as a negative number is an argument, not an option.
      {__LINE__, {"format", "--function", "FormatNumber", "num:1234.5", "-1"}, 0, "1,234.50\n", ""},
      {__LINE__, {"format", "-f", "Round", "num:2.5", "-1"}, 0, "2.5\n", ""},
      {__LINE__, {"format", "num:5", "-0", "--locale", "en_US"}, 0, "-5\n", ""},
      {__LINE__, {"format", "--function", "FormatNumber", "str:abc", "2"}, 0, "abc\n", ""},
      {__LINE__, {"format", "--function", "FormatCurrency", "num:-1234.5"}, 0, "-$1,234.50\n", ""},
      {__LINE__,
       {"format", "--locale", "ja_JP", "--function", "FormatCurrency", "num:1234.5"},
       0,
       "\xEF\xBF\xA5"
       "1,235\n",
       ""},
      {__LINE__, {"format", "--function", "Round", "num:2.5", "0"}, 0, "2\n", ""},
      {__LINE__, {"format", "--function", "Round", "--", "num:2.5", "-1"}, 0, "2.5\n", ""},
      {__LINE__, {"format", "--function", "Round", "null:", "0"}, 0, "\n", ""},
      {__LINE__, {"format", "--", "num:5", "-0"}, 0, "-5\n", ""},
  });
}

TEST(FormatCommandTest, RefusesMalformedInputWithOneLine) {
  auto usage = [](const std::string& message) {
    return "pelt-label format: " + message + " (see 'pelt-label format --help')\n";
  };
  CheckFormatRuns({
      {__LINE__,
       {"format"},
       2,
       "",
       usage("expects VALUE and at most one ARGUMENT, got 0 operands")},
      {__LINE__, {"format", "1234.5", "0"}, 2, "", usage("malformed VALUE '1234.5'")},
      {__LINE__, {"format", "num:abc"}, 2, "", usage("malformed VALUE 'num:abc'")},
      {__LINE__, {"format", "date:2026-02-30"}, 2, "", usage("malformed VALUE 'date:2026-02-30'")},
      {__LINE__, {"format", "--locale", "xx_YY", "num:1"}, 2, "", usage("unknown locale 'xx_YY'")},
      {__LINE__,
       {"format", "--function", "Left", "str:abc", "2"},
       2,
       "",
       usage("unknown function 'Left'")},
      {__LINE__,
       {"format", "--function", "FormatCurrency", "num:1", "2"},
       2,
       "",
       usage("FormatCurrency takes no ARGUMENT")},
      {__LINE__,
       {"format", "--function", "FormatNumber", "num:1"},
       2,
       "",
       usage("expects the number of decimals as ARGUMENT")},
      {__LINE__,
       {"format", "--function", "FormatNumber", "num:1", "two"},
       2,
       "",
       usage("malformed ARGUMENT 'two': expected a number of decimals")},
      {__LINE__,
       {"format", "--function", "Round", "num:1", "1.5"},
       2,
       "",
       usage("malformed ARGUMENT '1.5': expected a number of decimals")},
      {__LINE__,
       {"format", "num:1", "0", "extra"},
       2,
       "",
       usage("expects VALUE and at most one ARGUMENT, got 3 operands")},
      {__LINE__, {"format", "--bogus", "num:1"}, 2, "", usage("unknown option '--bogus'")},
  });
}

TEST(FormatCommandTest, HelpNamesTheTypedLiterals) {
  const pelt::testing::TempDir dir;
  const pelt::testing::ProgramOutcome outcome =
      pelt::testing::RunProgram(PELT_LABEL_PROGRAM, {"format", "--help"}, dir);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_NE(outcome.out.find("date:2026-01-05T13:04:09"), std::string::npos);
  EXPECT_NE(outcome.out.find("--function"), std::string::npos);
}

}  // namespace
}  // namespace pelt::tools
