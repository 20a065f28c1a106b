#include "pelt/runtime/registry.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "support/run_program.h"
#include "support/temp_dir.h"

extern char** environ;

namespace pelt::runtime {
namespace {

using testing::ReadFile;

ClassEntry Class(std::string_view id, std::string program_id, std::string library) {
  ClassEntry entry;
  entry.id = *ParseUuid(id);
  entry.program_id = std::move(program_id);
  entry.library = std::move(library);
  return entry;
}

constexpr std::string_view kIdA = "11111111-1111-4111-8111-111111111111";
constexpr std::string_view kIdB = "22222222-2222-4222-8222-222222222222";
constexpr std::string_view kLibraryId = "33333333-3333-4333-8333-333333333333";

TypeLibraryEntry Library() {
  return {*ParseUuid(kLibraryId),          "PeltExpressions", "Brindle Expression Builder", 2, 13,
          "/usr/lib/libPeltExpressions.so"};
}

RegistryContents OneClass() {
  RegistryContents contents;
  contents.classes.push_back(Class(kIdA, "Pelt.A", "/lib/a.so"));
  return contents;
}

TEST(RegistryTest, TextFormRoundTrips) {
  RegistryContents contents;
  contents.classes.push_back(Class(kIdA, "Pelt.A", "/lib/with spaces/a.so"));
  contents.classes.back().name = "A";
  contents.classes.back().threading = ThreadingModel::kBoth;
  contents.classes.back().type_library = *ParseUuid(kLibraryId);
  contents.classes.push_back(Class(kIdB, "", "/lib/b.so"));
  contents.type_libraries.push_back(Library());
  for (const RegistryContents& written : {contents, RegistryContents()}) {
    RegistryContents parsed;
    std::string message;
    ASSERT_EQ(ParseRegistry(FormatRegistry(written), parsed, &message), Result::kOk) << message;
    EXPECT_EQ(parsed, written);
  }
}

TEST(RegistryTest, CorruptTextIsRefusedWithTheLineAtFault) {
  const std::string good = FormatRegistry(OneClass());
  const std::string head = "pelt-component-registry 1\n";
  const std::string class_a = "class " + std::string(kIdA) + "\n";
  struct Row {
    int line;
    std::string text;
    std::string message;  // what the message starts with
  } rows[] = {
      {__LINE__, "", "line 0: the file is empty"},
      {__LINE__, good.substr(0, good.size() - 6), "line 7: the closing 'end' line is missing"},
      {__LINE__, head + class_a + "end 1\n",
       "line 3: class 11111111-1111-4111-8111-111111111111 names no library"},
      {__LINE__, "# only a comment\n", "line 1: the header line is missing"},
      {__LINE__, "pelt-component-registry 2\nend 0\n", "line 1: expected the header line"},
      {__LINE__, head + "end 1\n", "line 2: the closing line counts 1 records"},
      {__LINE__, head + "end x\n", "line 2: malformed record count"},
      {__LINE__, head + "class nope\n", "line 2: malformed class id"},
      {__LINE__, head + "type-library nope\n", "line 2: malformed type library id"},
      {__LINE__, head + "  library /a.so\n", "line 2: a property outside"},
      {__LINE__, head + "widget 1\n", "line 2: expected 'class'"},
      {__LINE__, good + "junk\n", "line 9: text after the closing"},
      {__LINE__, head + class_a + "  colour red\nend 1\n",
       "line 3: unknown class property 'colour'"},
      {__LINE__, head + class_a + "  library /a.so\n  threading sometimes\nend 1\n",
       "line 4: unknown threading model"},
      {__LINE__, head + class_a + "  type-library nope\n",
       "line 3: malformed type library id 'nope'"},
      {__LINE__, head + class_a + "  library /a.so\n" + class_a + "  library /b.so\nend 2\n",
       "line 4: class 11111111-1111-4111-8111-111111111111 appears twice"},
      {__LINE__, head + "type-library " + std::string(kLibraryId) + "\n  version 1\nend 1\n",
       "line 3: malformed version"},
      {__LINE__, head + "type-library " + std::string(kLibraryId) + "\n  colour red\nend 1\n",
       "line 3: unknown type library property 'colour'"},
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
  RegistryContents Read() {
    RegistryContents contents;
    std::string message;
    EXPECT_EQ(ReadRegistry(path_, contents, &message), Result::kOk) << message;
    return contents;
  }
  pelt::testing::TempDir dir_;
  std::filesystem::path path_ = dir_ / "config" / "pelt" / "components.registry";
};

TEST_F(RegistryFileTest, RegisteringReplacesByIdOrProgramIdAndUnregisteringRemovesOnlyItsOwn) {
  EXPECT_TRUE(Read().classes.empty());  // a missing file is an empty registry
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/old/a.so")}, Library(), nullptr),
            Result::kOk);
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/new/a.so")}, std::nullopt, nullptr),
            Result::kOk);
  EXPECT_EQ(Read().FindProgramId("pelt.a")->library, "/new/a.so");  // program ids ignore case
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdB, "PELT.A", "/new/b.so")}, std::nullopt, nullptr),
            Result::kOk);
  EXPECT_EQ(Read().classes,
            std::vector{Class(kIdB, "PELT.A", "/new/b.so")});  // B took over A's program id
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.C", "/lib/a.so")}, std::nullopt, nullptr),
            Result::kOk);
  EXPECT_EQ(Read().FindTypeLibrary(*ParseUuid(kLibraryId))->description,
            "Brindle Expression Builder");

  ASSERT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, *ParseUuid(kLibraryId), nullptr),
            Result::kOk);
  EXPECT_EQ(Read().classes, std::vector{Class(kIdB, "PELT.A", "/new/b.so")});
  EXPECT_TRUE(Read().type_libraries.empty());
  EXPECT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, std::nullopt, nullptr),
            Result::kOk);  // not there
  for (const auto& entry : std::filesystem::directory_iterator(path_.parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp."),
              std::string::npos);  // none left behind
  }
}

TEST_F(RegistryFileTest, ACorruptOrReadOnlyFileIsNeverOverwritten) {
  std::filesystem::create_directories(path_.parent_path());
  struct Row {
    int line;
    std::string text;
    std::filesystem::perms perms;
    Result expected;
    std::string message;
  } rows[] = {
      {__LINE__, FormatRegistry(OneClass()).substr(0, 90), std::filesystem::perms::owner_all,
       Result::kRegistryCorrupt, "truncated"},
      {__LINE__, FormatRegistry(OneClass()),
       std::filesystem::perms::owner_read | std::filesystem::perms::group_read,
       Result::kRegistryReadOnly, "read-only"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    std::filesystem::remove(path_);
    std::ofstream(path_, std::ios::binary) << row.text;
    std::filesystem::permissions(path_, row.perms);
    std::string message;
    EXPECT_EQ(RegisterClasses(path_, {Class(kIdB, "Pelt.B", "/lib/b.so")}, std::nullopt, &message),
              row.expected);
    EXPECT_NE(message.find(path_.string()), std::string::npos) << message;
    EXPECT_NE(message.find(row.message), std::string::npos) << message;
    EXPECT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, std::nullopt, nullptr), row.expected);
    EXPECT_EQ(ReadFile(path_), row.text);
  }
  EXPECT_EQ(Read().classes.size(), 1u);  // a read-only file still reads
}

TEST_F(RegistryFileTest, KeepsTheFilesPermissions) {
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so")}, std::nullopt, nullptr),
            Result::kOk);
  const auto perms = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(path_, perms);
  ASSERT_EQ(RegisterClasses(path_, {Class(kIdB, "Pelt.B", "/lib/b.so")}, std::nullopt, nullptr),
            Result::kOk);
  EXPECT_EQ(std::filesystem::status(path_).permissions() & std::filesystem::perms::all, perms);
}

TEST_F(RegistryFileTest, ValuesWithLineBreaksAreRefused) {
  TypeLibraryEntry broken = Library();
  broken.description += "\nend 0";
  EXPECT_EQ(
      RegisterClasses(path_, {Class(kIdA, "Pelt.A", "/lib/a.so\nend 0")}, std::nullopt, nullptr),
      Result::kInvalidArgument);
  EXPECT_EQ(RegisterClasses(path_, {Class(kIdA, "Pelt.A", "")}, std::nullopt, nullptr),
            Result::kInvalidArgument);
  EXPECT_EQ(RegisterClasses(path_, {}, broken, nullptr), Result::kInvalidArgument);
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 6;
  constexpr int kClassesEach = 15;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    std::string registry = path_.string();
    std::string first = std::to_string(w * 1000);
    std::string count = std::to_string(kClassesEach);
    char* argv[] = {const_cast<char*>(PELT_REGISTRY_WRITER), registry.data(), first.data(),
                    count.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, PELT_REGISTRY_WRITER, nullptr, nullptr, argv, environ), 0);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const RegistryContents contents = Read();
  EXPECT_EQ(contents.classes.size(), static_cast<std::size_t>(kWriters * kClassesEach));
  for (int w = 0; w < kWriters; ++w) {
    for (int n = w * 1000; n < w * 1000 + kClassesEach; ++n) {
      EXPECT_NE(contents.FindProgramId("Writer.Class" + std::to_string(n)), nullptr) << n;
    }
  }
}

TEST(RegistryPathTest, FollowsTheEnvironment) {
  struct Row {
    const char* registry;
    const char* xdg;
    std::string expected;
  } rows[] = {
      {"/tmp/r.registry", "/x", "/tmp/r.registry"},
      {"", "/x", "/x/pelt/components.registry"},
      {nullptr, "relative", "/h/.config/pelt/components.registry"},
      {nullptr, nullptr, "/h/.config/pelt/components.registry"},
  };
  const auto set = [](const char* name, const char* value) {
    value ? setenv(name, value, 1) : unsetenv(name);
  };
  const std::string registry =
      std::getenv("PELT_COMPONENT_REGISTRY") ? std::getenv("PELT_COMPONENT_REGISTRY") : "";
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", "/h", 1);
  for (const Row& row : rows) {
    set("PELT_COMPONENT_REGISTRY", row.registry);
    set("XDG_CONFIG_HOME", row.xdg);
    EXPECT_EQ(RegistryPath().string(), row.expected);
  }
  setenv("PELT_COMPONENT_REGISTRY", registry.c_str(), 1);  // an empty one means none, as before
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace pelt::runtime
