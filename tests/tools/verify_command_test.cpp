// Runs "pelt-label verify" as a script would: arguments without a shell,
// standard input from a file, and checks standard output, standard error and
// the exit status.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "adapters/gdal/test_layers.h"
#include "support/temp_dir.h"

extern char** environ;

namespace pelt::tools {
namespace {

using gdal::testing::FieldDef;
using gdal::testing::LayerDef;
using pelt::testing::TempDir;

struct ProgramRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Runs pelt-label with args; standard input is input (or empty).
ProgramRun RunPeltLabel(const std::vector<std::string>& args, const std::string& input,
                        const TempDir& dir) {
  const std::string in_path = (dir / "stdin.txt").string();
  const std::string out_path = (dir / "stdout.txt").string();
  const std::string err_path = (dir / "stderr.txt").string();
  WriteFile(in_path, input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC;
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), kWriteFlags, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), kWriteFlags, 0644);
  const std::string program = PELT_LABEL_PROGRAM;
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  ProgramRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid) {
    ADD_FAILURE() << "cannot run " << program;
    return run;
  }
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFile(out_path);
  run.err = ReadFile(err_path);
  return run;
}

std::string Substituted(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// Expected text ending in "*" is a prefix; anything else must match exactly.
void ExpectText(const std::string& actual, std::string expected, const char* what) {
  if (!expected.empty() && expected.back() == '*') {
    expected.pop_back();
    EXPECT_EQ(actual.substr(0, expected.size()), expected) << what;
  } else {
    EXPECT_EQ(actual, expected) << what;
  }
}

class VerifyCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdal::testing::WriteDataset("GPKG", dir_ / "places.gpkg",
                                            {LayerDef{"places",
                                                      {{"NAME", OFTString},
                                                       {"Stra\xc3\x9f"
                                                        "e",
                                                        OFTInteger},
                                                       {"PICTURE", OFTBinary}},
                                                      {},
                                                      wkbPoint,
                                                      {}}}));
    ASSERT_TRUE(gdal::testing::WriteDataset(
        "GPKG", dir_ / "two.gpkg",
        {LayerDef{"roads", {{"NAME", OFTString}}, {}, wkbLineString, {}},
         LayerDef{"rivers", {{"LENGTH", OFTReal}}, {}, wkbLineString, {}}}));
    WriteFile(dir_ / "broken.gpkg", "this is not a GeoPackage");
  }

  struct Row {
    int line;
    std::vector<std::string> args;  // {dir} and {sample} are filled in
    std::optional<std::string> input;
    int exit_code;
    std::string out;
    std::string err;
  };

  void CheckRows(const std::vector<Row>& rows) {
    const std::string sample = PELT_SAMPLE_IN_SOURCE_TREE;
    for (const Row& row : rows) {
      SCOPED_TRACE(row.line);
      std::vector<std::string> args{"verify"};
      for (const std::string& arg : row.args) {
        args.push_back(
            Substituted(Substituted(arg, "{dir}", dir_.path().string()), "{sample}", sample));
      }
      const ProgramRun run = RunPeltLabel(args, row.input.value_or(""), scratch_);
      EXPECT_EQ(run.exit_code, row.exit_code);
      ExpectText(run.out, row.out, "standard output");
      ExpectText(run.err, Substituted(row.err, "{dir}", dir_.path().string()), "standard error");
    }
  }

  TempDir dir_;
  TempDir scratch_;
};

constexpr const char* kParsed = "Successfully created formatting statement\n";

TEST_F(VerifyCommandTest, PrintsTheMessageAndExitsWithTheVerdict) {
  CheckRows({
      {__LINE__, {"{sample}", "Page $$PAGE_NUMBER: [NAME].UCase.Left(2)"}, {}, 0, kParsed, ""},
      {__LINE__,
       {"{sample}", "[COUNTRY] [POPULATION].FormatNumber(0) [SURVEYED]"},
       {},
       0,
       kParsed,
       ""},
      {__LINE__,
       {"{sample}", "[PHOTO]"},
       {},
       1,
       "Field \"PHOTO\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"{sample}", "[NAME] [geom]"},
       {},
       1,
       "Field \"geom\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"{sample}", "[MISSING][PHOTO]"},
       {},
       1,
       "Field \"MISSING\" does not exist in attribute table!\n",
       ""},
      {__LINE__,
       {"{sample}", "[NAME].Left(x)"},
       {},
       1,
       "Improper \".Left(0)\" formatting statement after [NAME] Field!\n",
       ""},
      {__LINE__, {"{sample}", ""}, {}, 1, "Expression is empty.\n", ""},
      {__LINE__,
       {"{dir}/places.gpkg",
        "[Stra\xc3\x9f"
        "e].Round(0) [NAME]"},
       {},
       0,
       kParsed,
       ""},
      {__LINE__,
       {"{dir}/places.gpkg", "[PICTURE]"},
       {},
       1,
       "Field \"PICTURE\": geometry and blob field types are not supported by this tool!\n",
       ""},
      {__LINE__,
       {"--layer", "rivers", "{dir}/two.gpkg", "[LENGTH].Round(1) km"},
       {},
       0,
       kParsed,
       ""},
      {__LINE__,
       {"{dir}/two.gpkg", "[LENGTH]", "--layer=roads"},
       {},
       1,
       "Field \"LENGTH\" does not exist in attribute table!\n",
       ""},
      {__LINE__, {"--no-table", "Page $$PAGE_NUMBER"}, {}, 0, "Expression is Valid!\n", ""},
      {__LINE__,
       {"--no-table", "[NAME]"},
       {},
       1,
       "Field \"[NAME]\" is invalid in scope of expression!\n",
       ""},
      {__LINE__, {"--no-table", "--", "-x"}, {}, 0, "Expression is Valid!\n", ""},
  });
}

TEST_F(VerifyCommandTest, ShowsTheBoxesOnStandardErrorWhenAsked) {
  CheckRows({
      {__LINE__,
       {"--show-messages", "{sample}", "Page [NAME].UCase.Left(2) $$PAGE_NUMBER"},
       {},
       0,
       kParsed,
       "[information] Valid Expression\n"
       "Labeling Instructions:\n"
       "\tPUT\tTEXT:\"Page \"\n"
       "\tAND\tFIELD:NAME,UCase\n"
       "\t\t\tFORMAT:Left,2,\n"
       "\tAND\tTEXT:\" \"\n"
       "\tAND\tRESERVEDWORD:PAGE_NUMBER\n"
       "[OK]\n"},
      {__LINE__,
       {"-s", "--no-table", "[]"},
       {},
       1,
       "Empty Field name brackets (\"[ ]\")!\n",
       "[error] Invalid Expression!\nEmpty Field name brackets (\"[ ]\")!\n[OK]\n"},
  });
}

TEST_F(VerifyCommandTest, ReadsTheExpressionFromStandardInput) {
  CheckRows({
      {__LINE__,
       {"--no-table", "-"},
       "Line one\r\nLine two $$X\n",
       0,
       "Expression is Valid!\n",
       ""},
      {__LINE__,
       {"-s", "--no-table", "-"},
       "a\tb\n\n",
       0,
       "Expression is Valid!\n",
       "[information] Valid Expression\nLabeling Instructions:\n\tPUT\tTEXT:\"a\tb\n\"\n[OK]\n"},
      {__LINE__, {"{sample}", "-"}, "[NAME].Replace(a,\"b\")\r\n", 0, kParsed, ""},
      {__LINE__,
       {"{sample}", "-"},
       "[NAME].Left(x)\n",
       1,
       "Improper \".Left(0)\" formatting statement after [NAME] Field!\n",
       ""},
      {__LINE__, {"{sample}", "-"}, "\xff\xfe[NAME]", 0, kParsed, ""},  // ill-formed UTF-8
      {__LINE__, {"--no-table", "-"}, "", 1, "Expression is empty.\n", ""},
      {__LINE__, {"--no-table", "-"}, "\n", 1, "Expression is empty.\n", ""},
  });
}

TEST_F(VerifyCommandTest, RefusesBadUsageAndUnreadableSources) {
  CheckRows({
      {__LINE__,
       {},
       {},
       2,
       "",
       "pelt-label verify: expects SOURCE and EXPR, got 0 operands (see 'pelt-label verify "
       "--help')\n"},
      {__LINE__,
       {"{sample}"},
       {},
       2,
       "",
       "pelt-label verify: expects SOURCE and EXPR, got 1 operand*"},
      {__LINE__,
       {"{sample}", "[NAME]", "extra"},
       {},
       2,
       "",
       "pelt-label verify: expects SOURCE and EXPR, got 3*"},
      {__LINE__,
       {"--no-table", "{sample}", "[NAME]"},
       {},
       2,
       "",
       "pelt-label verify: expects EXPR, got 2 operands*"},
      {__LINE__,
       {"--no-table", "--layer", "x", "abc"},
       {},
       2,
       "",
       "pelt-label verify: --layer cannot be combined with --no-table*"},
      {__LINE__, {"--bogus", "{sample}", "abc"}, {}, 2, "", "pelt-label verify: unknown option*"},
      {__LINE__,
       {"{dir}/missing.gpkg", "abc"},
       {},
       2,
       "",
       "pelt-label: cannot open '{dir}/missing.gpkg'*"},
      {__LINE__, {"{dir}/broken.gpkg", "abc"}, {}, 2, "", "pelt-label: *"},
      {__LINE__,
       {"{dir}/two.gpkg", "abc"},
       {},
       2,
       "",
       "pelt-label: '{dir}/two.gpkg' has 2 layers*"},
      {__LINE__, {"--layer", "lakes", "{dir}/two.gpkg", "abc"}, {}, 2, "", "pelt-label: *"},
  });
  // Each problem is one line.
  const ProgramRun run =
      RunPeltLabel({"verify", (dir_ / "missing.gpkg").string(), "abc"}, "", scratch_);
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(VerifyCommandTest, ExplainsItself) {
  CheckRows({{__LINE__, {"--help"}, {}, 0, "Usage: pelt-label verify [--layer NAME]*", ""}});
  const ProgramRun overview = RunPeltLabel({"--help"}, "", scratch_);
  EXPECT_NE(overview.out.find("  verify  "), std::string::npos) << overview.out;
}

}  // namespace
}  // namespace pelt::tools
