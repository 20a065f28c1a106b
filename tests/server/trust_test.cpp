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
#include <functional>
#include <optional>

#include "pelt/runtime/loader.h"
#include "pelt/runtime/registry.h"
#include "pelt/server/evaluator_interface.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/untrusted_files.h"

namespace pelt::server {
namespace {

namespace fs = std::filesystem;
using pelt::testing::Chmod;
using pelt::testing::Chown;
using pelt::testing::kNobody;
using pelt::testing::NotRoots;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::ReplaceAll;
using pelt::testing::WritableBy;
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
    Register(registry_, kMarkerClass, kPeltExpressionEvaluatorProgramId, library_);
    Chmod(registry_, 0644);
    registered_ = ReadFile(registry_);
  }
  ~Scene() {
    if (saved_search_path_) {
      saved_search_path_->empty() ? unsetenv("LD_LIBRARY_PATH")
                                  : setenv("LD_LIBRARY_PATH", saved_search_path_->c_str(), 1);
    }
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Programs started from now on search folder for libraries first.
  void SearchLibrariesIn(const fs::path& folder) {
    const char* before = std::getenv("LD_LIBRARY_PATH");
    saved_search_path_ = before != nullptr ? before : "";
    setenv("LD_LIBRARY_PATH", folder.c_str(), 1);
  }

  // {registry}, {folder} (the registry's), {config} (the one above it),
  // {library}, {libfolder}, {system}, {me} (the test's account), {nobody}.
  std::string Substituted(const std::string& text) const {
    return pelt::testing::Substituted(text, {{"{registry}", registry_.string()},
                                             {"{folder}", registry_.parent_path().string()},
                                             {"{config}", config_.string()},
                                             {"{libfolder}", library_.parent_path().string()},
                                             {"{library}", library_.string()},
                                             {"{system}", system_registry_.string()}});
  }

  // The libraries loaded so far, one line each.
  std::string Loads() const { return ReadFile(marker_); }

  pelt::testing::TempDir dir_;
  fs::path config_ = dir_ / "config";
  fs::path registry_ = config_ / "pelt" / "components.registry";
  fs::path library_ = dir_ / "lib" / "libmarker.so";
  fs::path system_registry_ = dir_ / "system" / "components.registry";
  fs::path marker_ = dir_ / "loaded";
  std::string registered_;

 private:
  std::optional<std::string> saved_search_path_;
};

// Creates the class of program_id in this process and through the example
// host: both end with message and no object; the result is the runtime's.
void ExpectCreation(const Scene& scene, const std::string& program_id, Result result,
                    const std::string& message) {
  runtime::Ref<runtime::Object> object;
  std::string said;
  EXPECT_EQ(runtime::CreateObject(program_id, object, &said), result);
  EXPECT_EQ(said, message);
  EXPECT_FALSE(object);
  if (program_id != kPeltExpressionEvaluatorProgramId) return;
  const ProgramOutcome host = pelt::testing::RunProgram(PELT_EXAMPLE_HOST, {}, scene.dir_);
  EXPECT_EQ(host.exit_code, 2);
  EXPECT_EQ(host.out, "libraries still loaded: 0\n");
  EXPECT_EQ(host.err, "cannot create " + program_id + ": " + message + "\n");
}

struct Load {
  int line;
  std::function<void(Scene&)> change;
  Result result;
  std::string message;  // the runtime's
  bool loads;           // whether the library's code runs
};

void Check(const Load& row) {
  SCOPED_TRACE(row.line);
  Scene scene;
  row.change(scene);
  ExpectCreation(scene, kPeltExpressionEvaluatorProgramId, row.result,
                 scene.Substituted(row.message));
  const std::string loaded = fs::canonical(scene.library_).string() + "\n";
  EXPECT_EQ(scene.Loads(), row.loads ? loaded + loaded : "");  // in this process and in the host
}

const std::string kAny = "any account";
const std::string kRegistry = "component registry {registry}: not trusted: ";
const std::string kLibrary = "library {library} is not trusted: ";
const std::string kNotAServer = "{library} does not export DllGetClassObject";

TEST(TrustTest, NothingOthersCouldChangeIsLoaded) {
  const Load rows[] = {
      // The control: everything is the user's, so the library is loaded
      // (and found to serve no class).
      {__LINE__, [](Scene&) {}, Result::kEntryPointMissing, kNotAServer, true},
      // Like /tmp: others cannot touch what is not theirs in a sticky folder.
      {__LINE__, [](Scene& s) { Chmod(s.config_, 01777); }, Result::kEntryPointMissing, kNotAServer,
       true},
      {__LINE__, [](Scene& s) { Chmod(s.registry_, 0666); }, Result::kRegistryUntrusted,
       kRegistry + WritableBy(kAny, "{registry}", "0666"), false},
      {__LINE__, [](Scene& s) { Chmod(s.registry_, 0664); }, Result::kRegistryUntrusted,
       kRegistry + WritableBy("its group", "{registry}", "0664"), false},
      {__LINE__, [](Scene& s) { Chmod(s.config_, 0777); }, Result::kRegistryUntrusted,
       kRegistry + WritableBy(kAny, "{config}", "0777"), false},
      // A relative name, which the library search path would resolve.
      {__LINE__,
       [](Scene& s) {
         std::ofstream(s.registry_)
             << ReplaceAll(s.registered_, s.library_.string(), s.library_.filename().string());
         s.SearchLibrariesIn(s.library_.parent_path());
       },
       Result::kRegistryCorrupt,
       "component registry {registry}: corrupt, line 6: library 'libmarker.so' is not an "
       "absolute path, so the library search path or the current folder would choose the code; "
       "register the library with pelt-regsvr, which records its absolute path",
       false},
      {__LINE__, [](Scene& s) { Chmod(s.library_, 0666); }, Result::kLibraryUntrusted,
       kLibrary + WritableBy(kAny, "{library}", "0666"), false},
      {__LINE__, [](Scene& s) { Chmod(s.library_.parent_path(), 0777); }, Result::kLibraryUntrusted,
       kLibrary + WritableBy(kAny, "{libfolder}", "0777"), false},
      {__LINE__,
       [](Scene& s) {
         fs::rename(s.library_, s.dir_ / "real.so");
         fs::create_symlink(s.dir_ / "real.so", s.library_);
       },
       Result::kLibraryUntrusted,
       kLibrary + "{library} is a symbolic link, which could lead to other code; register the "
                  "library again (pelt-regsvr records the file itself)",
       false},
  };
  for (const Load& row : rows) Check(row);
}

TEST(TrustTest, NothingOfAnotherAccountIsLoaded) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another account (chown) needs root";
  const Load rows[] = {
      {__LINE__, [](Scene& s) { Chown(s.registry_, kNobody); }, Result::kRegistryUntrusted,
       kRegistry + NotRoots("{registry}", "{nobody}", "0644"), false},
      {__LINE__,
       [](Scene& s) {
         Chmod(s.config_, 01777);
         Chown(s.registry_.parent_path(), kNobody);
       },
       Result::kRegistryUntrusted, kRegistry + NotRoots("{folder}", "{nobody}", "0755"), false},
      {__LINE__, [](Scene& s) { Chown(s.library_, kNobody); }, Result::kLibraryUntrusted,
       kLibrary + NotRoots("{library}", "{nobody}", "0755"), false},
  };
  for (const Load& row : rows) Check(row);
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
  const std::string user = fs::canonical(scene.library_).string() + "\n";
  const std::string system = fs::canonical(system_library).string() + "\n";
  const auto not_a_server = [](const fs::path& library) {
    return library.string() + " does not export DllGetClassObject";
  };
  ExpectCreation(scene, kPeltExpressionEvaluatorProgramId, Result::kEntryPointMissing,
                 not_a_server(scene.library_));
  EXPECT_EQ(scene.Loads(), user + user);  // the user's, though the system registers it too
  runtime::Ref<runtime::Object> object;
  EXPECT_EQ(runtime::CreateObject(kMarkerClass, object), Result::kEntryPointMissing);  // by id
  ExpectCreation(scene, kSystemOnlyProgramId, Result::kEntryPointMissing,
                 not_a_server(system_library));
  EXPECT_EQ(scene.Loads(), user + user + system);

  fs::remove(scene.registry_);  // without the user's registry, the system's serves the host
  ExpectCreation(scene, kPeltExpressionEvaluatorProgramId, Result::kEntryPointMissing,
                 not_a_server(system_library));
  EXPECT_EQ(scene.Loads(), user + user + system + system);
}

TEST(SystemRegistryTest, ASystemRegistryThatIsNotRootsIsRefusedButTheUsersStillServes) {
  Scene scene;
  const fs::path system_library = scene.library_.parent_path() / "libsystem.so";
  WriteSystemRegistry(scene, system_library);
  // Not root: the registry is the test's; root: it is given to nobody.
  std::string fault = NotRoots(scene.dir_.path().string(), "{me}", "0700");
  if (geteuid() == 0) {
    Chown(scene.system_registry_, kNobody);
    fault = NotRoots("{system}", "{nobody}", "0644");
  }
  runtime::Ref<runtime::Object> object;
  std::string message;
  EXPECT_EQ(runtime::CreateObject(kSystemOnlyProgramId, object, &message),
            Result::kRegistryUntrusted);
  EXPECT_EQ(message, scene.Substituted("component registry {system}: not trusted: " + fault));
  EXPECT_FALSE(object);
  EXPECT_EQ(scene.Loads(), "");
  ExpectCreation(scene, kPeltExpressionEvaluatorProgramId, Result::kEntryPointMissing,
                 scene.library_.string() + " does not export DllGetClassObject");
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

struct Registration {
  int line;
  std::function<void(Scene&)> change;
  int exit_code;
  std::string err;  // after "pelt-regsvr: ", before the line break
};

TEST(RegsvrTrustTest, RefusesWhatHostsWouldRefuseBeforeLoadingAnything) {
  const Registration rows[] = {
      // The control: the library is loaded, and found to be no server.
      {__LINE__, [](Scene&) {}, 3,
       "{library} does not export DllRegisterServer: it is not a component library"},
      {__LINE__, [](Scene& s) { Chmod(s.registry_, 0666); }, 5,
       kRegistry + WritableBy(kAny, "{registry}", "0666")},
      {__LINE__, [](Scene& s) { Chmod(s.config_, 0757); }, 5,
       kRegistry + WritableBy(kAny, "{config}", "0757")},
      {__LINE__,
       [](Scene& s) {
         fs::path lock = s.registry_;
         lock += ".lock";
         fs::remove(lock);
         fs::create_symlink(s.dir_ / "planted", lock);
       },
       5,
       kRegistry + "{registry}.lock is a symbolic link, which could redirect the write; remove it: "
                   "the runtime makes its own"},
      {__LINE__, [](Scene& s) { Chmod(s.library_, 0646); }, 5,
       kLibrary + WritableBy(kAny, "{library}", "0646")},
  };
  for (const Registration& row : rows) {
    SCOPED_TRACE(row.line);
    Scene scene;
    row.change(scene);
    const ProgramOutcome run =
        pelt::testing::RunProgram(PELT_REGSVR, {scene.library_.string()}, scene.dir_);
    EXPECT_EQ(run.exit_code, row.exit_code);
    EXPECT_EQ(run.err, scene.Substituted("pelt-regsvr: " + row.err + "\n"));
    EXPECT_EQ(scene.Loads(),
              row.exit_code == 5 ? "" : fs::canonical(scene.library_).string() + "\n");
    EXPECT_EQ(ReadFile(scene.registry_), scene.registered_);
    EXPECT_FALSE(fs::exists(scene.dir_ / "planted"));
  }
}

}  // namespace
}  // namespace pelt::server
