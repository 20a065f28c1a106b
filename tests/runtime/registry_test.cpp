// The component registry: its text form, the updates that register and
// unregister classes in the file, and where the file is.

#include "pelt/runtime/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/golden_cases.h"
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
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/runtime/registry_text.cases", [](const pelt::testing::GoldenCase& c) {
        RegistryContents parsed;
        std::string message;
        EXPECT_EQ(ParseRegistry(c.input.empty() ? "" : c.input + "\n", parsed, &message),
                  Result::kRegistryCorrupt);
        return message + "\n";
      });
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

// Line breaks would end a record early; relative paths would let the search
// path choose the code.
TEST_F(RegistryFileTest, RefusesLineBreaksAndLibrariesWithoutAnAbsolutePath) {
  TypeLibraryEntry broken = Library();
  broken.description += "\nend 0";
  TypeLibraryEntry relative = Library();
  relative.library = "libPeltExpressions.so";
  std::string message;
  EXPECT_EQ(Register(Class(kIdA, "Pelt.A", "/lib/a.so\nend 0")), Result::kInvalidArgument);
  EXPECT_EQ(Register(Class(kIdA, "Pelt.A", "")), Result::kInvalidArgument);
  EXPECT_EQ(RegisterClasses(path_, {}, broken, nullptr), Result::kInvalidArgument);
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

// The system registry is the build's unless the environment moves it.
TEST(RegistryPathTest, FollowsTheEnvironment) {
  const char* const names[] = {"PELT_COMPONENT_REGISTRY", "XDG_CONFIG_HOME",
                               "PELT_SYSTEM_COMPONENT_REGISTRY", "HOME"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names) {
    saved.push_back(std::getenv(name) ? std::optional<std::string>(std::getenv(name))
                                      : std::nullopt);
  }
  const struct Row {
    const char* values[3];  // of the first three names; nullptr: unset
    std::string registry;
    std::string system;
  } rows[] = {
      {{"/tmp/r.registry", "/x", nullptr}, "/tmp/r.registry", PELT_SYSTEM_REGISTRY},
      {{"", "/x", ""}, "/x/pelt/components.registry", PELT_SYSTEM_REGISTRY},
      {{nullptr, "relative", "/tmp/system.registry"},
       "/h/.config/pelt/components.registry",
       "/tmp/system.registry"},
      {{nullptr, nullptr, nullptr}, "/h/.config/pelt/components.registry", PELT_SYSTEM_REGISTRY},
  };
  setenv("HOME", "/h", 1);
  for (const Row& row : rows) {
    for (int i = 0; i < 3; ++i)
      row.values[i] ? setenv(names[i], row.values[i], 1) : unsetenv(names[i]);
    EXPECT_EQ(RegistryPath().string(), row.registry);
    EXPECT_EQ(SystemRegistryPath().string(), row.system);
  }
  for (std::size_t i = 0; i < saved.size(); ++i) {
    saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
  }
}

}  // namespace
}  // namespace pelt::runtime
