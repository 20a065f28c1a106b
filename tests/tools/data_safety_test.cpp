// No pelt-label command destroys a file: the refusals of data_safety.runs,
// with every file's bytes compared before and after, and what standard input
// and the kinds of output files make of a run.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "label_data.h"

namespace pelt::tools {
namespace {

using pelt::testing::ProgramOutcome;
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

class DataSafetyTest : public LabelDataTest {
 protected:
  // Runs a shell command line with $0 the program and $1 the data folder.
  ProgramOutcome Shell(const std::string& command) {
    return pelt::testing::RunProgram("/bin/bash", {"-c", command, PELT_LABEL_PROGRAM, data_.path()},
                                     run_);
  }
};

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

// Without SOURCE, the sample stands in only when standard input cannot
// carry data (data_safety.runs has a file and /dev/null); - reads it.
TEST_F(DataSafetyTest, StandardInputThatMayHoldTheSource) {
  const std::string geojson = R"({"type": "FeatureCollection", "features": [{"type": "Feature", )"
                              R"("properties": {"NAME": "piped"}, "geometry": null}]})";
  std::ofstream(data_ / "in.geojson") << geojson;
  const struct Row {
    int line;
    std::string command;
    int exit_code;
    std::string out;
    std::string err;
  } rows[] = {
      {__LINE__, R"(cat "$1/in.geojson" | "$0" label '[NAME]')", 2, "",
       "pelt-label label: no SOURCE given, and standard input is a pipe: give - as SOURCE"},
      {__LINE__, R"(cat "$1/in.geojson" | "$0" layers)", 2, "",
       "pelt-label layers: no SOURCE given, and standard input is a pipe"},
      {__LINE__, R"(cat "$1/in.geojson" | "$0" fields)", 2, "",
       "pelt-label fields: no SOURCE given, and standard input is a pipe"},
      {__LINE__, R"(cat "$1/in.geojson" > "$1/fifo" & "$0" label '[NAME]' < "$1/fifo")", 2, "",
       "pelt-label label: no SOURCE given, and standard input is a pipe"},
      {__LINE__, R"(python3 -c 'import socket,subprocess,sys
a, b = socket.socketpair()
sys.exit(subprocess.call([sys.argv[1], "label", "[NAME]"], stdin=a))' "$0")",
       2, "", "pelt-label label: no SOURCE given, and standard input is a socket"},
      {__LINE__, R"(cat "$1/in.geojson" | "$0" label - '[NAME]')", 0, "piped\n", ""},
      {__LINE__, R"(echo '[NAME].UCase' | "$0" label --quiet --limit 1 -)", 0, "ZÜRICH\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome outcome = Shell(row.command);
    EXPECT_EQ(outcome.exit_code, row.exit_code) << outcome.err;
    EXPECT_EQ(outcome.out, row.out);
    // An expected message is a prefix; none means nothing at all.
    EXPECT_EQ(row.err.empty() ? outcome.err : outcome.err.substr(0, row.err.size()), row.err);
  }
}

// Pipes and the process's own streams are written as they are, without
// --overwrite (data_safety.runs has /dev/null); an existing file is
// replaced with it.
TEST_F(DataSafetyTest, OutputsWrittenAsTheyAre) {
  std::ofstream(data_ / "log.txt") << "before\n";
  const struct Row {
    int line;
    std::string command;
    std::string file;  // in the data folder, after the run
    std::string contents;
  } rows[] = {
      {__LINE__,
       R"(cat "$1/fifo" > "$1/from-fifo.txt" & "$0" label --limit 2 -o "$1/fifo" "$1/towns.gpkg" '[NAME]'; wait)",
       "from-fifo.txt", "Zürich\nŁódź\n"},
      {__LINE__, R"("$0" label --limit 1 -o /dev/stdout "$1/towns.gpkg" '[NAME]' >> "$1/log.txt")",
       "log.txt", "before\nZürich\n"},
      {__LINE__, R"("$0" label --limit 1 -o /dev/fd/3 "$1/towns.gpkg" '[NAME]' 3>> "$1/log.txt")",
       "log.txt", "before\nZürich\nZürich\n"},
      {__LINE__, R"("$0" label --limit 1 -o "$1/labels.txt" --overwrite "$1/towns.gpkg" '[NAME]')",
       "labels.txt", "Zürich\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const ProgramOutcome outcome = Shell(row.command);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(ReadFile(data_ / row.file), row.contents);
  }
  struct stat status {};
  ASSERT_EQ(::stat((data_ / "fifo").c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode)) << "the pipe was replaced by a file";
}

}  // namespace
}  // namespace pelt::tools
