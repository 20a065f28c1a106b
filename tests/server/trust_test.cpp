// What the runtime refuses to load, as hosts meet it. A registry or a
// library that another account could change ends in a message saying what
// to do, in the runtime and in the example host, with no object made and no
// code of the library run: the marker library records each time it is
// loaded. pelt-regsvr refuses the same way before it loads anything, the
// system registry serves the classes the user has not registered, and only
// root may change it.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

namespace pelt::server {
namespace {

namespace fs = std::filesystem;
using pelt::testing::ProgramOutcome;
using pelt::testing::ReadFile;
using pelt::testing::ReplaceAll;
using runtime::Result;

constexpr uid_t kNobody = 65534;
const runtime::ClassId kMarkerClass = runtime::UuidLiteral("44444444-4444-4444-8444-444444444444");
const runtime::ClassId kSystemOnlyClass =
    runtime::UuidLiteral("55555555-5555-4555-8555-555555555555");
constexpr char kSystemOnlyProgramId[] = "PeltTest.SystemOnly";

std::string AccountName(uid_t uid) {
  const struct passwd* account = getpwuid(uid);
  return account != nullptr ? account->pw_name : "uid " + std::to_string(uid);
}

void Chmod(const fs::path& path, mode_t mode) { ASSERT_EQ(chmod(path.c_str(), mode), 0) << path; }
void Chown(const fs::path& path, uid_t owner) {
  ASSERT_EQ(lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
}

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
  std::string Substituted(std::string text) const {
    const std::pair<std::string, std::string> substitutions[] = {
        {"{registry}", registry_.string()}, {"{folder}", registry_.parent_path().string()},
        {"{config}", config_.string()},     {"{libfolder}", library_.parent_path().string()},
        {"{library}", library_.string()},   {"{system}", system_registry_.string()},
        {"{me}", AccountName(geteuid())},   {"{nobody}", AccountName(kNobody)}};
    for (const auto& [from, to] : substitutions) text = ReplaceAll(std::move(text), from, to);
    return text;
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

const std::string kOthersCouldChange =
    ", so another account could make hosts load code of its own; run 'chmod go-w ";
const std::string kNotRoots =
    " does not belong to root, so its owner could make hosts load code of its own; run 'chown "
    "root ";
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
       "component registry {registry}: not trusted: {registry} (owner {me}, mode 0666) is "
       "writable by any account" +
           kOthersCouldChange + "{registry}'",
       false},
      {__LINE__, [](Scene& s) { Chmod(s.registry_, 0664); }, Result::kRegistryUntrusted,
       "component registry {registry}: not trusted: {registry} (owner {me}, mode 0664) is "
       "writable by its group" +
           kOthersCouldChange + "{registry}'",
       false},
      {__LINE__, [](Scene& s) { Chmod(s.config_, 0777); }, Result::kRegistryUntrusted,
       "component registry {registry}: not trusted: {config} (owner {me}, mode 0777) is writable "
       "by any account" +
           kOthersCouldChange + "{config}'",
       false},
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
       "library {library} is not trusted: {library} (owner {me}, mode 0666) is writable by any "
       "account" +
           kOthersCouldChange + "{library}'",
       false},
      {__LINE__, [](Scene& s) { Chmod(s.library_.parent_path(), 0777); }, Result::kLibraryUntrusted,
       "library {library} is not trusted: {libfolder} (owner {me}, mode 0777) is writable by any "
       "account" +
           kOthersCouldChange + "{libfolder}'",
       false},
      {__LINE__,
       [](Scene& s) {
         fs::rename(s.library_, s.dir_ / "real.so");
         fs::create_symlink(s.dir_ / "real.so", s.library_);
       },
       Result::kLibraryUntrusted,
       "library {library} is not trusted: {library} is a symbolic link, which could lead to "
       "other code; register the library again (pelt-regsvr records the file itself)",
       false},
  };
  for (const Load& row : rows) Check(row);
}

TEST(TrustTest, NothingOfAnotherAccountIsLoaded) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a file to another account (chown) needs root";
  const Load rows[] = {
      {__LINE__, [](Scene& s) { Chown(s.registry_, kNobody); }, Result::kRegistryUntrusted,
       "component registry {registry}: not trusted: {registry} (owner {nobody}, mode 0644)" +
           kNotRoots + "{registry}', or use files and folders of root's",
       false},
      {__LINE__,
       [](Scene& s) {
         Chmod(s.config_, 01777);
         Chown(s.registry_.parent_path(), kNobody);
       },
       Result::kRegistryUntrusted,
       "component registry {registry}: not trusted: {folder} (owner {nobody}, mode 0755)" +
           kNotRoots + "{folder}', or use files and folders of root's",
       false},
      {__LINE__, [](Scene& s) { Chown(s.library_, kNobody); }, Result::kLibraryUntrusted,
       "library {library} is not trusted: {library} (owner {nobody}, mode 0755)" + kNotRoots +
           "{library}', or use files and folders of root's",
       false},
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
  fs::path culprit = scene.dir_.path();
  if (geteuid() == 0) {
    Chown(scene.system_registry_, kNobody);
    culprit = scene.system_registry_;
  }
  runtime::Ref<runtime::Object> object;
  std::string message;
  EXPECT_EQ(runtime::CreateObject(kSystemOnlyProgramId, object, &message),
            Result::kRegistryUntrusted);
  EXPECT_EQ(message.substr(0, message.find(" (owner ")),
            scene.Substituted("component registry {system}: not trusted: ") + culprit.string());
  EXPECT_NE(message.find(kNotRoots + culprit.string() + "'"), std::string::npos) << message;
  EXPECT_FALSE(object);
  EXPECT_EQ(scene.Loads(), "");
  ExpectCreation(scene, kPeltExpressionEvaluatorProgramId, Result::kEntryPointMissing,
                 scene.library_.string() + " does not export DllGetClassObject");
}

// pelt-regsvr run by the account nobody, which needs root: its exit status
// and standard error.
ProgramOutcome RunRegsvrAsNobody(const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(PELT_REGSVR)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int pipe_ends[2];
  ProgramOutcome outcome;
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return outcome;
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(pipe_ends[1], 2);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(126);
    execv(PELT_REGSVR, argv.data());
    _exit(127);
  }
  close(pipe_ends[1]);
  char buffer[4096];
  for (ssize_t n; (n = read(pipe_ends[0], buffer, sizeof buffer)) > 0;) {
    outcome.err.append(buffer, static_cast<std::size_t>(n));
  }
  close(pipe_ends[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    outcome.exit_code = WEXITSTATUS(status);
  }
  return outcome;
}

TEST(RegsvrTrustTest, OnlyRootChangesTheSystemRegistry) {
  Scene scene;
  const std::vector<std::string> arguments{"--system", PELT_SERVER_LIBRARY};
  const ProgramOutcome refused =
      geteuid() == 0 ? RunRegsvrAsNobody(arguments)
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
  std::string err;
};

TEST(RegsvrTrustTest, RefusesWhatHostsWouldRefuseBeforeLoadingAnything) {
  const Registration rows[] = {
      // The control: the library is loaded, and found to be no server.
      {__LINE__, [](Scene&) {}, 3,
       "pelt-regsvr: {library} does not export DllRegisterServer: it is not a component "
       "library\n"},
      {__LINE__, [](Scene& s) { Chmod(s.registry_, 0666); }, 5,
       "pelt-regsvr: component registry {registry}: not trusted: {registry} (owner {me}, mode "
       "0666) is writable by any account" +
           kOthersCouldChange + "{registry}'\n"},
      {__LINE__, [](Scene& s) { Chmod(s.config_, 0757); }, 5,
       "pelt-regsvr: component registry {registry}: not trusted: {config} (owner {me}, mode "
       "0757) is writable by any account" +
           kOthersCouldChange + "{config}'\n"},
      {__LINE__,
       [](Scene& s) {
         fs::path lock = s.registry_;
         lock += ".lock";
         fs::remove(lock);
         fs::create_symlink(s.dir_ / "planted", lock);
       },
       5,
       "pelt-regsvr: component registry {registry}: not trusted: {registry}.lock is a symbolic "
       "link, which could redirect the write; remove it: the runtime makes its own\n"},
      {__LINE__, [](Scene& s) { Chmod(s.library_, 0646); }, 5,
       "pelt-regsvr: library {library} is not trusted: {library} (owner {me}, mode 0646) is "
       "writable by any account" +
           kOthersCouldChange + "{library}'\n"},
  };
  for (const Registration& row : rows) {
    SCOPED_TRACE(row.line);
    Scene scene;
    row.change(scene);
    const ProgramOutcome run =
        pelt::testing::RunProgram(PELT_REGSVR, {scene.library_.string()}, scene.dir_);
    EXPECT_EQ(run.exit_code, row.exit_code);
    EXPECT_EQ(run.err, scene.Substituted(row.err));
    EXPECT_EQ(scene.Loads(),
              row.exit_code == 5 ? "" : fs::canonical(scene.library_).string() + "\n");
    EXPECT_EQ(ReadFile(scene.registry_), scene.registered_);
    EXPECT_FALSE(fs::exists(scene.dir_ / "planted"));
  }
}

}  // namespace
}  // namespace pelt::server
