// The component registry: its text form, the updates that register and
// unregister classes in the file, and where the file is.

#include "pelt/runtime/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/temp_dir.h"

namespace pelt::runtime {
namespace {

namespace fs = std::filesystem;

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

TEST(RegistryTest, TextFormRoundTrips) {
  RegistryContents contents{
      {Class(kIdA, "Pelt.A", "/lib/with spaces/a.so"), Class(kIdB, "", "/lib/b.so")}, {Library()}};
  contents.classes[0].name = "A";
  contents.classes[0].threading = ThreadingModel::kBoth;
  contents.classes[0].type_library = *ParseUuid(kLibraryId);
  for (const RegistryContents& written : {contents, RegistryContents()}) {
    RegistryContents parsed;
    std::string message;
    ASSERT_EQ(ParseRegistry(FormatRegistry(written), parsed, &message), Result::kOk) << message;
    EXPECT_EQ(parsed, written);
  }
}

TEST(RegistryTest, CorruptTextIsRefusedWithTheLineAtFault) {
  const std::string good = FormatRegistry({{Class(kIdA, "Pelt.A", "/lib/a.so")}, {}});
  const std::string head = "pelt-component-registry 1\n";
  const std::string class_a = "class " + std::string(kIdA) + "\n";
  const std::string library = "type-library " + std::string(kLibraryId) + "\n";
  struct Row {
    int line;
    std::string text;
    std::string message;  // what the message starts with
  } rows[] = {
      {__LINE__, "", "line 0: the file is empty"},
      {__LINE__, good.substr(0, good.size() - 6), "line 7: the closing 'end' line is missing"},
      {__LINE__, head + class_a + "end 1\n",
       "line 3: class " + std::string(kIdA) + " names no library"},
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
       "line 4: class " + std::string(kIdA) + " appears twice"},
      {__LINE__, head + library + "  version 1\nend 1\n", "line 3: malformed version"},
      {__LINE__, head + library + "  colour red\nend 1\n",
       "line 3: unknown type library property 'colour'"},
      // A relative library name would let the search path or the current folder choose.
      {__LINE__, head + class_a + "  library a.so\nend 1\n",
       "line 3: library 'a.so' is not an absolute path, so the library search path or the "
       "current folder would choose the code; register the library with pelt-regsvr, which "
       "records its absolute path"},
      {__LINE__, head + class_a + "  library ./lib/a.so\nend 1\n",
       "line 3: library './lib/a.so' is not an absolute path"},
      {__LINE__, head + class_a + "  library \nend 1\n", "line 3: library '' is not an absolute"},
      {__LINE__, head + library + "  library lib/a.so\nend 1\n",
       "line 3: library 'lib/a.so' is not an absolute path"},
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
  Result Register(ClassEntry entry, std::optional<TypeLibraryEntry> library = std::nullopt,
                  std::string* message = nullptr) {
    return RegisterClasses(path_, {std::move(entry)}, library, message);
  }
  pelt::testing::TempDir dir_;
  fs::path path_ = dir_ / "config" / "pelt" / "components.registry";
};

TEST_F(RegistryFileTest, UpdatesReplaceByIdOrProgramIdRemoveOnlyTheirOwnAndKeepThePermissions) {
  EXPECT_TRUE(Read().classes.empty());  // a missing file is an empty registry
  ASSERT_EQ(Register(Class(kIdA, "Pelt.A", "/old/a.so"), Library()), Result::kOk);
  const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(path_, perms);  // kept by every update
  ASSERT_EQ(Register(Class(kIdA, "Pelt.A", "/new/a.so")), Result::kOk);
  EXPECT_EQ(Read().FindProgramId("pelt.a")->library, "/new/a.so");  // program ids ignore case
  ASSERT_EQ(Register(Class(kIdB, "PELT.A", "/new/b.so")), Result::kOk);
  const std::vector b_only{Class(kIdB, "PELT.A", "/new/b.so")};
  EXPECT_EQ(Read().classes, b_only);  // B took over A's program id
  ASSERT_EQ(Register(Class(kIdA, "Pelt.C", "/lib/a.so")), Result::kOk);
  EXPECT_EQ(Read().FindTypeLibrary(*ParseUuid(kLibraryId))->description, Library().description);

  ASSERT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, *ParseUuid(kLibraryId), nullptr),
            Result::kOk);
  EXPECT_EQ(Read().classes, b_only);
  EXPECT_TRUE(Read().type_libraries.empty());
  EXPECT_EQ(UnregisterClasses(path_, {*ParseUuid(kIdA)}, std::nullopt, nullptr),
            Result::kOk);  // not there
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all, perms);
  for (const auto& entry : fs::directory_iterator(path_.parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos);  // none left
  }
}

TEST_F(RegistryFileTest, ValuesWithLineBreaksAreRefused) {
  TypeLibraryEntry broken = Library();
  broken.description += "\nend 0";
  EXPECT_EQ(Register(Class(kIdA, "Pelt.A", "/lib/a.so\nend 0")), Result::kInvalidArgument);
  EXPECT_EQ(Register(Class(kIdA, "Pelt.A", "")), Result::kInvalidArgument);
  EXPECT_EQ(RegisterClasses(path_, {}, broken, nullptr), Result::kInvalidArgument);
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(RegistryFileTest, LibrariesAreRegisteredByAbsolutePathsOnly) {
  TypeLibraryEntry relative = Library();
  relative.library = "libPeltExpressions.so";
  std::string message;
  EXPECT_EQ(Register(Class(kIdA, "Pelt.A", "lib/a.so"), std::nullopt, &message),
            Result::kInvalidArgument);
  EXPECT_EQ(message, "class " + std::string(kIdA) +
                         ": no library, a library path that is not absolute, or a line break in "
                         "a value");
  EXPECT_EQ(RegisterClasses(path_, {}, relative, &message), Result::kInvalidArgument);
  EXPECT_EQ(message, "type library " + std::string(kLibraryId) +
                         ": a library path that is not absolute, or a line break in a value");
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 6;
  constexpr int kClassesEach = 15;
  const auto numbered = [](int n) {
    char id[40];
    std::snprintf(id, sizeof id, "%08x-0000-4000-8000-000000000000", n);
    return Class(id, "Writer.Class" + std::to_string(n), "/opt/writer/lib.so");
  };
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {  // a writer: one update per class, interleaved with the others'
      for (int n = w * 1000; n < w * 1000 + kClassesEach; ++n) {
        if (Failed(Register(numbered(n)))) _exit(1);
      }
      _exit(0);
    }
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

TEST(RegistryPathTest, TheSystemRegistryIsTheBuildsUnlessTheEnvironmentMovesIt) {
  const char* before = std::getenv("PELT_SYSTEM_COMPONENT_REGISTRY");
  const std::string saved = before != nullptr ? before : "";
  const std::pair<const char*, std::string> rows[] = {
      {nullptr, PELT_SYSTEM_REGISTRY},
      {"", PELT_SYSTEM_REGISTRY},
      {"/tmp/system.registry", "/tmp/system.registry"},
  };
  for (const auto& [setting, expected] : rows) {
    setting ? setenv("PELT_SYSTEM_COMPONENT_REGISTRY", setting, 1)
            : unsetenv("PELT_SYSTEM_COMPONENT_REGISTRY");
    EXPECT_EQ(SystemRegistryPath().string(), expected);
  }
  before ? setenv("PELT_SYSTEM_COMPONENT_REGISTRY", saved.c_str(), 1)
         : unsetenv("PELT_SYSTEM_COMPONENT_REGISTRY");
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
