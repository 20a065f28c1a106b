#include "builder_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "source_arguments.h"

namespace pelt::tools {
namespace {

#if PELT_WITH_BUILDER
std::filesystem::path ModulePath() {
  const std::filesystem::path directory = ProgramDirectory();
  const std::filesystem::path beside = directory / kBuilderModuleFile;
  std::error_code error;
  if (std::filesystem::is_regular_file(beside, error)) return beside;
  return (directory / PELT_BUILDER_MODULE_FROM_PROGRAM_DIRECTORY).lexically_normal();
}
#endif

}  // namespace

std::unique_ptr<BuilderModule> BuilderModule::Load(std::string& problem) {
#if PELT_WITH_BUILDER
  const std::filesystem::path path = ModulePath();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    problem = "cannot open the expression builder: ";
    problem += reason != nullptr ? reason : path.string() + ": cannot be loaded";
    return nullptr;
  }
  auto check = reinterpret_cast<DisplayCheck>(dlsym(handle, kDisplayCheckSymbol));
  auto run = reinterpret_cast<BuilderRun>(dlsym(handle, kBuilderRunSymbol));
  if (check == nullptr || run == nullptr) {
    problem = "cannot open the expression builder: " + path.string() + " is not its module";
    dlclose(handle);
    return nullptr;
  }
  // The module stays loaded until the process ends: the toolkit registers
  // exit handlers of its own.
  return std::unique_ptr<BuilderModule>(new BuilderModule(check, run));
#else
  problem = "this pelt-label was built without the expression builder";
  return nullptr;
#endif
}

}  // namespace pelt::tools
