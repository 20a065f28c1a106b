#pragma once

#include <memory>
#include <string>

#include "builder_module.h"

namespace pelt::tools {

// The expression builder module, loaded once the edit command needs it.
class BuilderModule {
 public:
  // Loads the module: beside the program in a build tree, else where it is
  // installed. nullptr, with the message for the user in problem, when it
  // cannot be loaded or this program was built without the builder.
  static std::unique_ptr<BuilderModule> Load(std::string& problem);
  BuilderModule(const BuilderModule&) = delete;
  BuilderModule& operator=(const BuilderModule&) = delete;

  bool DisplayAvailable(std::string& why_not) const { return check_(&why_not); }
  std::u16string Run(const BuilderSession& session) const {
    std::u16string accepted;
    run_(&session, &accepted);
    return accepted;
  }

 private:
  BuilderModule(DisplayCheck check, BuilderRun run) : check_(check), run_(run) {}

  DisplayCheck check_;
  BuilderRun run_;
};

}  // namespace pelt::tools
