// No pelt-label command destroys a file: the refusals of data_safety.runs,
// with every file's bytes compared before and after, and what standard input
// and the kinds of output files make of a run.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "label_data.h"

namespace pelt::tools {
namespace {

using pelt::testing::ReadFile;

// Every file under dir, by its path relative to dir: its bytes, the target
// of a link, or what kind of file it is.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string name = std::filesystem::relative(entry.path(), dir).string();
    if (entry.is_symlink()) {
      files[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      files[name] = ReadFile(entry.path());
    } else {
      files[name] = entry.is_directory() ? "(folder)" : "(not a regular file)";
    }
  }
  return files;
}

using DataSafetyTest = LabelDataTest;

// Each refusal ends before anything is written: every file keeps its bytes,
// and no temporary is left beside them; the copies made are those named.
TEST_F(DataSafetyTest, Transcript) {
  const std::map<std::string, std::string> before = Snapshot(data_.path());
  RunTranscript("data_safety.runs");
  std::map<std::string, std::string> after = Snapshot(data_.path());
  std::vector<std::string> made;
  for (const auto& [name, bytes] : after) {
    if (!before.contains(name)) made.push_back(name);
  }
  for (const std::string& name : made) after.erase(name);
  EXPECT_TRUE(after == before) << "the files changed";
  EXPECT_EQ(made, (std::vector<std::string>{"copy", "copy.geojson", "short.cpg", "short.dbf",
                                            "short.prj", "short.shp", "short.shx"}));
}

// Standard input and outputs as a shell sets them up.
TEST_F(DataSafetyTest, ShellTranscript) { RunTranscript("shell.runs", "/bin/bash"); }

}  // namespace
}  // namespace pelt::tools
