// Runs the built pelt-label program as a script calling it would: the cases
// of program.runs (its own arguments and the fields command), verify.runs
// and format.runs, an installed copy reading its own sample, and every
// command's --help against the manual page.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "label_data.h"

namespace pelt::tools {
namespace {

using gdal::testing::LayerDef;
using pelt::testing::TempDir;

using PeltLabelTest = LabelDataTest;

TEST_F(PeltLabelTest, ProgramAndFieldsTranscript) { RunTranscript("program.runs"); }
TEST_F(PeltLabelTest, VerifyTranscript) { RunTranscript("verify.runs"); }
TEST_F(PeltLabelTest, FormatTranscript) { RunTranscript("format.runs"); }

// "pelt-label COMMAND FORM" for each form, by command.
using Forms = std::map<std::string, std::vector<std::string>>;

std::string CommandOf(const std::string& form) {
  const std::size_t start = form.find(' ') + 1;
  return form.substr(start, form.find(' ', start) - start);
}

// The SYNOPSIS of a manual page: ".B pelt-label COMMAND" and a line of the
// form's words in troff, a form after another.
Forms ManualForms(const std::string& page) {
  std::istringstream in(page);
  std::string line;
  while (std::getline(in, line) && line != ".SH SYNOPSIS") {
  }
  Forms forms;
  while (std::getline(in, line) && line.rfind(".SH", 0) != 0) {
    if (line.rfind(".B ", 0) != 0) continue;
    std::string words;
    std::getline(in, words);
    for (const char* font : {"\\fB", "\\fI", "\\fR"})
      words = pelt::testing::ReplaceAll(words, font, "");
    words = pelt::testing::ReplaceAll(words, "\\-", "-");
    const std::string form = line.substr(3) + " " + words;
    forms[CommandOf(form)].push_back(form);
  }
  return forms;
}

// The Usage lines that start a --help: a form a line, or its words going on
// under its first one.
std::vector<std::string> HelpForms(const std::string& help) {
  std::istringstream in(help);
  std::string line;
  std::vector<std::string> forms;
  while (std::getline(in, line) && !line.empty()) {
    const std::size_t text = line.find_first_not_of(' ');
    if (line.rfind("Usage: ", 0) == 0) {
      forms.push_back(line.substr(7));
    } else if (text == 7 && !forms.empty()) {
      forms.push_back(line.substr(7));
    } else if (!forms.empty()) {
      forms.back() += " " + line.substr(text);
    }
  }
  return forms;
}

TEST(ManualPageTest, SynopsisHoldsTheUsageOfEveryCommand) {
  const TempDir dir;
  const Forms manual = ManualForms(pelt::testing::ReadFile(PELT_LABEL_MAN_PAGE));
  // The commands the overview lists, each with its help.
  const pelt::testing::ProgramOutcome overview =
      pelt::testing::RunProgram(PELT_LABEL_PROGRAM, {"--help"}, dir);
  std::istringstream lines(overview.out.substr(overview.out.find("Commands:\n") + 10));
  std::string line;
  std::vector<std::string> commands;
  while (std::getline(lines, line) && !line.empty()) {
    commands.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  ASSERT_GE(commands.size(), 6u) << overview.out;
  EXPECT_EQ(manual.size(), commands.size()) << "a form in the manual for a command that is none";
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const pelt::testing::ProgramOutcome help =
        pelt::testing::RunProgram(PELT_LABEL_PROGRAM, {command, "--help"}, dir);
    ASSERT_EQ(help.exit_code, 0) << help.err;
    const auto forms = manual.find(command);
    ASSERT_NE(forms, manual.end()) << "the manual's SYNOPSIS leaves it out";
    EXPECT_EQ(HelpForms(help.out), forms->second) << help.out;
  }
}

TEST(InstalledPeltLabelTest, ReadsTheInstalledSample) {
  // Lay out an installation: the program in bin/, a sample of its own
  // under share/. The source tree's sample must not be used then.
  TempDir prefix;
  const std::filesystem::path program = prefix / "bin" / "pelt-label";
  std::filesystem::create_directories(program.parent_path());
  std::filesystem::copy_file(PELT_LABEL_PROGRAM, program);
  const std::filesystem::path sample =
      (program.parent_path() / PELT_SAMPLE_FROM_PROGRAM_DIRECTORY).lexically_normal();
  std::filesystem::create_directories(sample.parent_path());
  ASSERT_TRUE(gdal::testing::WriteDataset(
      "GPKG", sample, {LayerDef{"installed", {{"ONLY_HERE", OFTDate}}, {}, wkbNone, {}}}));
  const pelt::testing::ProgramOutcome outcome =
      pelt::testing::RunProgram(program.string(), {"fields"}, prefix);
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(outcome.out, "fid\t6\tObjectId\nONLY_HERE\t5\tDate\n");
  EXPECT_EQ(outcome.err,
            "pelt-label: no SOURCE given: using the bundled sample '" + sample.string() + "'\n");
}

}  // namespace
}  // namespace pelt::tools
