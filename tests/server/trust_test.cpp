// What the runtime refuses to load, as hosts meet it. A registry or a
// library that another account could change ends in a message saying what
// to do, in the runtime and in the example host, with no object made and no
// code of the library run: the marker library records each time it is
// loaded. pelt-regsvr refuses the same way before it loads anything, the
// system registry serves the classes the user has not registered, and only
// root may change it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "pelt/runtime/loader.h"
#include "pelt/runtime/registry.h"
#include "pelt/server/evaluator_interface.h"
#include "support/golden_cases.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/untrusted_files.h"

namespace pelt::server {
namespace {

namespace fs = std::filesystem;
using pelt::testing::Chmod;
using pelt::testing::Chown;
using pelt::testing::GoldenCase;
using pelt::testing::kNobody;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::ReplaceAll;
using runtime::Result;

const runtime::ClassId kMarkerClass = runtime::UuidLiteral("44444444-4444-4444-8444-444444444444");
const runtime::ClassId kSystemOnlyClass =
    runtime::UuidLiteral("55555555-5555-4555-8555-555555555555");
constexpr char kSystemOnlyProgramId[] = "PeltTest.SystemOnly";

void Register(const fs::path& registry, const runtime::ClassId& id, const std::string& program_id,
              const fs::path& library) {
  runtime::ClassEntry entry;
  entry.id = id;
  entry.program_id = program_id;
  entry.library = library.string();
  std::string message;
  ASSERT_EQ(runtime::RegisterClasses(registry, {entry}, std::nullopt, &message), Result::kOk)
      << message;
}

// A temporary folder holding a copy of the marker library, registered in
// the user's registry for the program id the example host creates; a
// system registry beside it (missing until a test writes it); the marker
// file. Every mode is set, so that the umask decides nothing.
class Scene {
 public:
  Scene() {
    fs::create_directories(registry_.parent_path());
    fs::create_directories(library_.parent_path());
    fs::copy_file(PELT_LOAD_MARKER, library_);
    for (const fs::path& folder : {config_, registry_.parent_path(), library_.parent_path()}) {
      Chmod(folder, 0755);
    }
    Chmod(library_, 0755);
    setenv("PELT_COMPONENT_REGISTRY", registry_.c_str(), 1);
    setenv("PELT_SYSTEM_COMPONENT_REGISTRY", system_registry_.c_str(), 1);
    setenv("PELT_TEST_LOAD_MARKER", marker_.c_str(), 1);
    // Programs search the library's folder first, as for a library
    // registered by its file name alone.
    setenv("LD_LIBRARY_PATH", library_.parent_path().c_str(), 1);
    Register(registry_, kMarkerClass, kPeltExpressionEvaluatorProgramId, library_);
    Chmod(registry_, 0644);
    registered_ = ReadFile(registry_);
  }

  // {registry}, {folder} (the registry's), {config} (the one above it),
  // {library}, {libfolder}, {system} and {dir}, the temporary folder.
  pelt::testing::Paths Paths() const {
    return {{"{library}", fs::weakly_canonical(library_).string()},
            {"{library}", library_.string()},
            {"{system}", system_registry_.string()},
            {"{registry}", registry_.string()},
            {"{folder}", registry_.parent_path().string()},
            {"{config}", config_.string()},
            {"{libfolder}", library_.parent_path().string()},
            {"{dir}", dir_.path().string()}};
  }
  std::string Substituted(const std::string& text) const {
    return pelt::testing::Substituted(text, Paths());
  }

  // The libraries loaded so far, a line "loaded PATH" each.
  std::string Loads() const {
    std::istringstream lines(ReadFile(marker_));
    std::string loads;
    for (std::string line; std::getline(lines, line);) loads += "loaded " + line + "\n";
    return loads;
  }

  pelt::testing::TempDir dir_;
  fs::path config_ = dir_ / "config";
  fs::path registry_ = config_ / "pelt" / "components.registry";
  fs::path library_ = dir_ / "lib" / "libmarker.so";
  fs::path system_registry_ = dir_ / "system" / "components.registry";
  fs::path marker_ = dir_ / "loaded";
  std::string registered_;
};

// Creates the class of program_id in this process and, for the example
// host's, through the host too: both end with no object and the same
// message. The runtime's result and message: "entry point missing: …".
std::string Create(const Scene& scene, const std::string& program_id) {
  runtime::Ref<runtime::Object> object;
  std::string message;
  const Result result = runtime::CreateObject(program_id, object, &message);
  EXPECT_FALSE(object);
  if (program_id == kPeltExpressionEvaluatorProgramId) {
    const ProgramOutcome host = pelt::testing::RunProgram(PELT_EXAMPLE_HOST, {}, scene.dir_);
    EXPECT_EQ(host.exit_code, 2);
    EXPECT_EQ(host.out, "libraries still loaded: 0\n");
    EXPECT_EQ(host.err, "cannot create " + program_id + ": " + message + "\n");
  }
  return std::string(runtime::ResultName(result)) + ": " + message;
}

// Changes the files as the case says (or names the library by its file name
// alone), then creates the example host's class: what the runtime says, and
// the libraries loaded.
std::string CreateAfterChanges(const GoldenCase& c) {
  const Scene scene;
  if (c.input == "register the library by its file name") {
    std::ofstream(scene.registry_) << ReplaceAll(scene.registered_, scene.library_.string(),
                                                 scene.library_.filename().string());
  } else {
    pelt::testing::ChangeFiles(scene.Substituted(c.input));
  }
  const std::string said = Create(scene, kPeltExpressionEvaluatorProgramId) + "\n";
  return pelt::testing::Placeholders(said + scene.Loads(), scene.Paths());
}

TEST(TrustTest, NothingOthersCouldChangeIsLoaded) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/server/trust.cases", CreateAfterChanges);
}

TEST(TrustTest, NothingOfAnotherAccountIsLoaded) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another account (chown) needs root";
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/server/trust_root.cases", CreateAfterChanges);
}

// The system registry holds the example host's class with a library of its
// own, and a class only it has.
void WriteSystemRegistry(const Scene& scene, const fs::path& system_library) {
  fs::create_directories(scene.system_registry_.parent_path());
  fs::copy_file(scene.library_, system_library);
  Register(scene.system_registry_, kMarkerClass, kPeltExpressionEvaluatorProgramId, system_library);
  Register(scene.system_registry_, kSystemOnlyClass, kSystemOnlyProgramId, system_library);
}

TEST(SystemRegistryTest, ServesWhatTheUserHasNotRegisteredAndTheUsersEntriesWin) {
  if (geteuid() != 0) GTEST_SKIP() << "a system registry must be root's: making one needs root";
  Scene scene;
  const fs::path system_library = scene.library_.parent_path() / "libsystem.so";
  WriteSystemRegistry(scene, system_library);
  const std::string user = "loaded " + fs::canonical(scene.library_).string() + "\n";
  const std::string system = "loaded " + fs::canonical(system_library).string() + "\n";
  const auto not_a_server = [](const fs::path& library) {
    return "entry point missing: " + library.string() + " does not export DllGetClassObject";
  };
  EXPECT_EQ(Create(scene, kPeltExpressionEvaluatorProgramId), not_a_server(scene.library_));
  EXPECT_EQ(scene.Loads(), user + user);  // the user's, though the system registers it too
  runtime::Ref<runtime::Object> object;
  EXPECT_EQ(runtime::CreateObject(kMarkerClass, object), Result::kEntryPointMissing);  // by id
  EXPECT_EQ(Create(scene, kSystemOnlyProgramId), not_a_server(system_library));
  EXPECT_EQ(scene.Loads(), user + user + system);

  fs::remove(scene.registry_);  // without the user's registry, the system's serves the host
  EXPECT_EQ(Create(scene, kPeltExpressionEvaluatorProgramId), not_a_server(system_library));
  EXPECT_EQ(scene.Loads(), user + user + system + system);
}

TEST(SystemRegistryTest, ASystemRegistryThatIsNotRootsIsRefusedButTheUsersStillServes) {
  Scene scene;
  const fs::path system_library = scene.library_.parent_path() / "libsystem.so";
  WriteSystemRegistry(scene, system_library);
  // Not root: the temporary folder is the test's; root: the registry is
  // given to nobody.
  std::string culprit = "{dir}";
  std::string owner = "{me}, mode 0700";
  if (geteuid() == 0) {
    Chown(scene.system_registry_, kNobody);
    culprit = "{system}";
    owner = "{nobody}, mode 0644";
  }
  EXPECT_EQ(pelt::testing::Placeholders(Create(scene, kSystemOnlyProgramId), scene.Paths()),
            "registry not trusted: component registry {system}: not trusted: " + culprit +
                " (owner " + owner +
                ") does not belong to root, so its owner could make hosts load code of its own; "
                "run 'chown root " +
                culprit + "', or use files and folders of root's");
  EXPECT_EQ(scene.Loads(), "");
  EXPECT_EQ(
      Create(scene, kPeltExpressionEvaluatorProgramId),
      "entry point missing: " + scene.library_.string() + " does not export DllGetClassObject");
}

// pelt-regsvr run by the account nobody, which needs root.
ProgramOutcome RunRegsvrAsNobody(const std::vector<std::string>& arguments,
                                 const pelt::testing::TempDir& dir) {
  const std::string nobody = std::to_string(kNobody);
  std::vector<std::string> command{"--reuid=" + nobody, "--regid=" + nobody, "--clear-groups",
                                   PELT_REGSVR};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return pelt::testing::RunProgram("/usr/bin/setpriv", command, dir);
}

TEST(RegsvrTrustTest, OnlyRootChangesTheSystemRegistry) {
  Scene scene;
  const std::vector<std::string> arguments{"--system", PELT_SERVER_LIBRARY};
  const ProgramOutcome refused =
      geteuid() == 0 ? RunRegsvrAsNobody(arguments, scene.dir_)
                     : pelt::testing::RunProgram(PELT_REGSVR, arguments, scene.dir_);
  EXPECT_EQ(refused.exit_code, 5);
  EXPECT_EQ(refused.err, scene.Substituted("pelt-regsvr: --system changes the system registry "
                                           "{system}, which only root may change; run the command "
                                           "as root, or leave out --system to register the "
                                           "library for yourself\n"));
  EXPECT_FALSE(fs::exists(scene.system_registry_));
  if (geteuid() != 0) GTEST_SKIP() << "registering in the system registry needs root";

  fs::remove(scene.registry_);
  const std::string server = fs::canonical(PELT_SERVER_LIBRARY).string();
  ProgramOutcome run = pelt::testing::RunProgram(PELT_REGSVR, arguments, scene.dir_);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "registered " + server + " in " + scene.system_registry_.string() + "\n");
  EXPECT_FALSE(fs::exists(scene.registry_));
  run = pelt::testing::RunProgram(PELT_EXAMPLE_HOST, {"[NAME]"}, scene.dir_);
  EXPECT_EQ(run.exit_code, 0) << run.err;  // the host's class comes from the system registry
  EXPECT_NE(run.out.find("label 1: Zürich\n"), std::string::npos) << run.out;

  run = pelt::testing::RunProgram(PELT_REGSVR, {"-u", "--system", PELT_SERVER_LIBRARY}, scene.dir_);
  EXPECT_EQ(run.out, "unregistered " + server + " from " + scene.system_registry_.string() + "\n");
  run = pelt::testing::RunProgram(PELT_EXAMPLE_HOST, {}, scene.dir_);
  EXPECT_EQ(run.exit_code, 2);
}

// Changes the files as the case says, then registers the library with
// pelt-regsvr: its exit status and standard error, and the libraries
// loaded. A refusal leaves the registry as it was and follows no link.
std::string RegisterAfterChanges(const GoldenCase& c) {
  const Scene scene;
  pelt::testing::ChangeFiles(scene.Substituted(c.input));
  const ProgramOutcome run =
      pelt::testing::RunProgram(PELT_REGSVR, {scene.library_.string()}, scene.dir_);
  EXPECT_EQ(ReadFile(scene.registry_), scene.registered_);
  EXPECT_FALSE(fs::exists(scene.dir_ / "planted"));
  return pelt::testing::Placeholders(
      "exit " + std::to_string(run.exit_code) + "\n" + run.err + scene.Loads(), scene.Paths());
}

TEST(RegsvrTrustTest, RefusesWhatHostsWouldRefuseBeforeLoadingAnything) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/server/regsvr_trust.cases", RegisterAfterChanges);
}

}  // namespace
}  // namespace pelt::server
