#include "pelt/runtime/registry.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

extern char** environ;

namespace pelt::runtime {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

ClassEntry Class(std::string_view id, std::string program_id, std::string library) {
  ClassEntry entry;
  entry.id = *ParseUuid(id);
  entry.program_id = std::move(program_id);
  entry.library = std::move(library);
  return entry;
}

TypeLibraryEntry Library(std::string_view id) {
  TypeLibraryEntry entry;
  entry.id = *ParseUuid(id);
  entry.name = "PeltExpressions";
  entry.description = "Brindle Expression Builder";
  entry.major_version = 2;
  entry.minor_version = 13;
  entry.library = "/usr/lib/libPeltExpressions.so";
  return entry;
}

constexpr std::string_view kIdA = "11111111-1111-4111-8111-111111111111";
constexpr std::string_view kIdB = "22222222-2222-4222-8222-222222222222";
constexpr std::string_view kLibraryId = "33333333-3333-4333-8333-333333333333";

TEST(RegistryTest, TextFormRoundTrips) {
  RegistryContents contents;
  contents.classes.push_back(Class(kIdA, "Pelt.A", "/lib/with spaces/a.so"));
  contents.classes.back().name = "A";
  contents.classes.back().threading = ThreadingModel::kBoth;
  contents.classes.back().type_library = *ParseUuid(kLibraryId);
  contents.classes.push_back(Class(kIdB, "", "/lib/b.so"));
  contents.type_libraries.push_back(Library(kLibraryId));

  const std::string text = FormatRegistry(contents);
  RegistryContents parsed;
  std::string message;
  ASSERT_EQ(ParseRegistry(text, parsed, &message), Result::kOk) << message;
  EXPECT_EQ(parsed, contents);
  EXPECT_EQ(ParseRegistry(FormatRegistry({}), parsed, &message), Result::kOk);
  EXPECT_TRUE(parsed.classes.empty());
}

TEST(RegistryTest, CorruptTextIsRefusedWithTheLineAtFault) {
  const std::string good = FormatRegistry([] {
    RegistryContents c;
    c.classes.push_back(Class(kIdA, "Pelt.A", "/lib/a.so"));
    return c;
  }());
  struct Row {
    int line;
    std::string text;
    std::string message;  // what the message starts with
  } rows[] = {
      {__LINE__, "", "line 0: the file is empty"},
      {__LINE__, good.substr(0, good.size() - 6), "line 7: the closing 'end' line is missing"},
      {__LINE__, good.substr(0, good.find("  library")), "line 5: the closing 'end' line is missing"},
      {__LINE__, "pelt-component-registry 1\nclass " + std::string(kIdA) + "\nend 1\n",
       "line 3: class 11111111-1111-4111-8111-111111111111 names no library"},
      {__LINE__, "# only a comment\n", "line 1: the header line is missing"},
      {__LINE__, "pelt-component-registry 2\nend 0\n", "line 1: expected the header line"},
      {__LINE__, "pelt-component-registry 1\nend 1\n", "line 2: the closing line counts 1 records"},
      {__LINE__, "pelt-component-registry 1\nend x\n", "line 2: malformed record count"},
      {__LINE__, "pelt-component-registry 1\nclass nope\n", "line 2: malformed class id"},
      {__LINE__, "pelt-component-registry 1\n  library /a.so\n", "line 2: a property outside"},
      {__LINE__, "pelt-component-registry 1\nwidget 1\n", "line 2: expected 'class'"},
      {__LINE__, "pelt-component-registry 1\nend 0\nclass " + std::string(kIdA) + "\n",
       "line 3: text after the closing"},
      {__LINE__, good + "junk\n", "line 9: text after the closing"},
      {__LINE__,
       "pelt-component-registry 1\nclass " + std::string(kIdA) + "\n  colour red\nend 1\n",
       "line 3: unknown class property 'colour'"},
      {__LINE__,
       "pelt-component-registry 1\nclass " + std::string(kIdA) +
           "\n  library /a.so\n  threading sometimes\nend 1\n",
       "line 4: unknown threading model"},
      {__LINE__,
       "pelt-component-registry 1\nclass " + std::string(kIdA) + "\n  library /a.so\nclass " +
           std::string(kIdA) + "\n  library /b.so\nend 2\n",
       "line 4: class 11111111-1111-4111-8111-111111111111 appears twice"},
      {__LINE__,
       "pelt-component-registry 1\ntype-library " + std::string(kLibraryId) +
           "\n  version 1\nend 1\n",
       "line 3: malformed version"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    RegistryContents parsed;
    std::string message;
    EXPECT_EQ(ParseRegistry(row.text, parsed, &message), Result::kRegistryCorrupt);
    EXPECT_EQ(message.substr(0, row.message.size()), row.message) << message;
  }
}

class RegistryFileTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::filesystem::path path_ = dir_ / "config" / "pelt" / "components.registry";
};

TEST_F(RegistryFileTest, AMissingFileIsAnEmptyRegistryAndIsCreatedOnFirstWrite) {
  RegistryContents contents;
  ASSERT_EQ(ReadRegistry(path_, contents, nullptr), Result::kOk);
  EXPECT_TRUE(contents.classes.empty());
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so")}, Library(kLibraryId), nullptr),
            Result::kOk);
  ASSERT_EQ(ReadRegistry(path_, contents, nullptr), Result::kOk);
  ASSERT_EQ(contents.classes.size(), 1u);
  EXPECT_NE(contents.FindProgramId("pelt.a"), nullptr);  // program ids ignore case
  EXPECT_EQ(contents.FindProgramId("Pelt.B"), nullptr);
  ASSERT_NE(contents.FindTypeLibrary(*ParseUuid(kLibraryId)), nullptr);
  EXPECT_EQ(contents.FindTypeLibrary(*ParseUuid(kLibraryId))->description, "Brindle Expression Builder");
  // No temporary file is left behind.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(path_.parent_path())) {
    if (entry.path().filename().string().find(".tmp.") != std::string::npos) ++files;
  }
  EXPECT_EQ(files, 0u);
}

TEST_F(RegistryFileTest, RegisteringAgainReplacesTheEntryWithTheSameIdOrProgramId) {
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/old/a.so")}, std::nullopt, nullptr), Result::kOk);
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/new/a.so")}, std::nullopt, nullptr), Result::kOk);
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdB, "PELT.A", "/new/b.so")}, std::nullopt, nullptr), Result::kOk);
  RegistryContents contents;
  ASSERT_EQ(ReadRegistry(path_, contents, nullptr), Result::kOk);
  ASSERT_EQ(contents.classes.size(), 1u);  // B took over A's program id
  EXPECT_EQ(contents.classes[0].library, "/new/b.so");
}

TEST_F(RegistryFileTest, UnregisteringLeavesOtherClassesAsTheyWere) {
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so"), Class(kIdB, "Pelt.B", "/lib/b.so")},
                            Library(kLibraryId), nullptr),
            Result::kOk);
  ASSERT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, *ParseUuid(kLibraryId), nullptr), Result::kOk);
  RegistryContents contents;
  ASSERT_EQ(ReadRegistry(path_, contents, nullptr), Result::kOk);
  ASSERT_EQ(contents.classes.size(), 1u);
  EXPECT_EQ(contents.classes[0], Class(kIdB, "Pelt.B", "/lib/b.so"));
  EXPECT_TRUE(contents.type_libraries.empty());
  // Removing what is not there is not an error.
  EXPECT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, std::nullopt, nullptr), Result::kOk);
}

TEST_F(RegistryFileTest, ACorruptFileIsNeverOverwritten) {
  std::filesystem::create_directories(path_.parent_path());
  const std::string truncated = FormatRegistry([] {
    RegistryContents c;
    c.classes.push_back(Class(kIdA, "Pelt.A", "/lib/a.so"));
    return c;
  }()).substr(0, 90);
  WriteFile(path_, truncated);
  std::string message;
  EXPECT_EQ(RegisterClasses(path_, {Class(kIdB, "Pelt.B", "/lib/b.so")}, std::nullopt, &message),
            Result::kRegistryCorrupt);
  EXPECT_NE(message.find(path_.string()), std::string::npos) << message;
  EXPECT_NE(message.find("truncated"), std::string::npos) << message;
  EXPECT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, std::nullopt, nullptr), Result::kRegistryCorrupt);
  EXPECT_EQ(ReadFile(path_), truncated);
}

TEST_F(RegistryFileTest, AReadOnlyFileIsNeverOverwritten) {
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so")}, std::nullopt, nullptr), Result::kOk);
  const std::string before = ReadFile(path_);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  std::string message;
  EXPECT_EQ(RegisterClasses(path_, {Class(kIdB, "Pelt.B", "/lib/b.so")}, std::nullopt, &message),
            Result::kRegistryReadOnly);
  EXPECT_NE(message.find("read-only"), std::string::npos) << message;
  EXPECT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, std::nullopt, nullptr), Result::kRegistryReadOnly);
  EXPECT_EQ(ReadFile(path_), before);
  RegistryContents contents;
  EXPECT_EQ(ReadRegistry(path_, contents, nullptr), Result::kOk);  // reading still works
  EXPECT_EQ(contents.classes.size(), 1u);
}

TEST_F(RegistryFileTest, KeepsTheFilesPermissions) {
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so")}, std::nullopt, nullptr), Result::kOk);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdB, "Pelt.B", "/lib/b.so")}, std::nullopt, nullptr), Result::kOk);
  EXPECT_EQ(std::filesystem::status(path_).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(RegistryFileTest, ValuesWithLineBreaksAreRefused) {
  EXPECT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so\nend 0")}, std::nullopt, nullptr),
            Result::kInvalidArgument);
  EXPECT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "")}, std::nullopt, nullptr),
            Result::kInvalidArgument);
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 6;
  constexpr int kClassesEach = 15;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const std::string first = std::to_string(w * 1000);
    const std::string count = std::to_string(kClassesEach);
    std::string registry = path_.string();
    char* argv[] = {const_cast<char*>(PELT_REGISTRY_WRITER), registry.data(),
                    const_cast<char*>(first.c_str()), const_cast<char*>(count.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, PELT_REGISTRY_WRITER, nullptr, nullptr, argv, environ), 0);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  RegistryContents contents;
  std::string message;
  ASSERT_EQ(ReadRegistry(path_, contents, &message), Result::kOk) << message;
  EXPECT_EQ(contents.classes.size(), static_cast<std::size_t>(kWriters * kClassesEach));
  for (int w = 0; w < kWriters; ++w) {
    for (int n = w * 1000; n < w * 1000 + kClassesEach; ++n) {
      EXPECT_NE(contents.FindProgramId("Writer.Class" + std::to_string(n)), nullptr) << n;
    }
  }
}

TEST(RegistryPathTest, FollowsTheEnvironment) {
  struct Row {
    int line;
    const char* registry;
    const char* xdg;
    const char* home;
    std::string expected;
  } rows[] = {
      {__LINE__, "/tmp/r.registry", "/x", "/h", "/tmp/r.registry"},
      {__LINE__, "", "/x", "/h", "/x/pelt/components.registry"},
      {__LINE__, nullptr, "/x", "/h", "/x/pelt/components.registry"},
      {__LINE__, nullptr, "relative", "/h", "/h/.config/pelt/components.registry"},
      {__LINE__, nullptr, nullptr, "/h", "/h/.config/pelt/components.registry"},
  };
  // The environment as it was, put back when the test ends.
  struct Saved {
    std::string name;
    std::optional<std::string> value;
  };
  std::vector<Saved> saved;
  for (const char* name : {"PELT_COMPONENT_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
    const char* value = std::getenv(name);
    saved.push_back({name, value != nullptr ? std::optional<std::string>(value) : std::nullopt});
  }
  const auto set = [](const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    set("PELT_COMPONENT_REGISTRY", row.registry);
    set("XDG_CONFIG_HOME", row.xdg);
    set("HOME", row.home);
    EXPECT_EQ(RegistryPath().string(), row.expected);
  }
  for (const Saved& s : saved) set(s.name.c_str(), s.value ? s.value->c_str() : nullptr);
}

}  // namespace
}  // namespace pelt::runtime
