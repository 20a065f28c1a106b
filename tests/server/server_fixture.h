#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "pelt/runtime/loader.h"
#include "pelt/runtime/server_support.h"
#include "pelt/runtime/variant.h"
#include "pelt/server/evaluator_interface.h"
#include "support/temp_dir.h"

namespace pelt::server::testing {

// Each test gets registry files of its own (never the user's or the
// machine's) and the
// server library opened as a registering tool would open it. At the end every
// object must have been released: the library then answers that it may be
// unloaded and the runtime unloads it.
class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("PELT_COMPONENT_REGISTRY", registry_path().c_str(), 1);
    setenv("PELT_SYSTEM_COMPONENT_REGISTRY", system_registry_path().c_str(), 1);
    // RTLD_NODELETE keeps the library mapped after the runtime unloads it,
    // so that the leak checker still sees what its globals hold (caches made
    // on first use) instead of reporting that as lost, and can name the
    // functions in its reports.
    library_ = dlopen(PELT_SERVER_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library_, nullptr) << dlerror();
    register_ = Entry<runtime::RegisterServerEntry>(runtime::kRegisterServerName);
    get_class_object_ = Entry<runtime::GetClassObjectEntry>(runtime::kGetClassObjectName);
    can_unload_now_ = Entry<runtime::CanUnloadNowEntry>(runtime::kCanUnloadNowName);
    ASSERT_TRUE(register_ && get_class_object_ && can_unload_now_);
  }

  void TearDown() override {
    if (library_ == nullptr) return;
    EXPECT_EQ(can_unload_now_(), runtime::Result::kOk) << "objects of the server are still alive";
    EXPECT_EQ(runtime::FreeUnusedLibraries(), 0u);
    dlclose(library_);
  }

  template <class F>
  F Entry(const char* name) {
    return reinterpret_cast<F>(dlsym(library_, name));
  }

  std::filesystem::path registry_path() const { return dir_ / "components.registry"; }
  // Never the machine's: a file no test writes unless it says so.
  std::filesystem::path system_registry_path() const {
    return dir_ / "system" / "components.registry";
  }

  // Registers the server and creates an evaluator by program id.
  runtime::Ref<_PeltExpressionEvaluator> CreateEvaluator() {
    EXPECT_EQ(register_(), runtime::Result::kOk);
    runtime::Ref<_PeltExpressionEvaluator> object;
    std::string message;
    EXPECT_EQ(runtime::CreateObject(kPeltExpressionEvaluatorProgramId, object, &message),
              runtime::Result::kOk)
        << message;
    return object;
  }

  pelt::testing::TempDir dir_;
  void* library_ = nullptr;
  runtime::RegisterServerEntry register_ = nullptr;
  runtime::GetClassObjectEntry get_class_object_ = nullptr;
  runtime::CanUnloadNowEntry can_unload_now_ = nullptr;
};

// Calls a member late-bound with the given arguments (which the call owns
// and clears), and tells the outcome as one line: "ok Boolean:-1",
// "ok Text:label", "ok Empty", "type mismatch arg 2: Argument 2 (…) of …",
// "exception 1004: The collection is gone.".
std::string Invoke(runtime::Dispatch& object, runtime::DispatchId id, runtime::CallKind kind,
                   std::vector<runtime::Variant> arguments);

}  // namespace pelt::server::testing
