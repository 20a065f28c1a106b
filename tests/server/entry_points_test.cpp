// The server library through its four entry points: registration, class
// factory, creation through the runtime, and the counts that decide whether
// the library may be unloaded.

#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <thread>

#include "pelt/runtime/registry.h"
#include "server_fixture.h"
#include "support/run_program.h"

namespace pelt::server {
namespace {

using pelt::testing::ReadFile;
using runtime::ClassFactory;
using runtime::Dispatch;
using runtime::Object;
using runtime::Ref;

using EntryPointTest = testing::ServerTest;

TEST_F(EntryPointTest, RegistersTheClassAndItsTypeLibrary) {
  ASSERT_EQ(register_(), Result::kOk);
  char library[PATH_MAX];
  ASSERT_NE(realpath(PELT_SERVER_LIBRARY, library), nullptr);
  runtime::RegistryContents expected;
  expected.classes.push_back({kPeltExpressionEvaluatorClassId,
                              "PeltExpressions.PeltExpressionEvaluator", "PeltExpressionEvaluator",
                              library, runtime::ThreadingModel::kApartment, kTypeLibraryId});
  expected.type_libraries.push_back(
      {kTypeLibraryId, "PeltExpressions", "Brindle Expression Builder", 1, 0, library});
  runtime::RegistryContents contents;
  ASSERT_EQ(runtime::ReadRegistry(registry_path(), contents, nullptr), Result::kOk);
  EXPECT_EQ(contents, expected);
  const std::string once = ReadFile(registry_path());
  ASSERT_EQ(register_(), Result::kOk);
  EXPECT_EQ(ReadFile(registry_path()), once);  // registering twice changes nothing
}

TEST_F(EntryPointTest, CreatesByClassIdAndByProgramId) {
  ASSERT_EQ(register_(), Result::kOk);
  Ref<_PeltExpressionEvaluator> object;
  std::string message;
  EXPECT_EQ(runtime::CreateObject(kPeltExpressionEvaluatorClassId, object, &message), Result::kOk);
  EXPECT_TRUE(object);
  object.Reset();
  EXPECT_EQ(runtime::CreateObject("peltexpressions.peltexpressionevaluator", object, &message),
            Result::kOk);  // program ids ignore case
  EXPECT_TRUE(object);
  object.Reset();
  const runtime::ClassId other = runtime::UuidLiteral("00000000-0000-4000-8000-000000000001");
  EXPECT_EQ(runtime::CreateObject(other, object, &message), Result::kClassNotRegistered);
  EXPECT_EQ(message, "class 00000000-0000-4000-8000-000000000001 is not registered in " +
                         registry_path().string() + " or " + system_registry_path().string());
  EXPECT_FALSE(object);
  // A corrupt registry is reported as such, with the line at fault.
  std::ofstream(registry_path()) << "pelt-component-registry 1\nclass 1234\n";
  EXPECT_EQ(runtime::CreateObject(kPeltExpressionEvaluatorProgramId, object, &message),
            Result::kRegistryCorrupt);
  EXPECT_NE(message.find(registry_path().string() + ": corrupt, line 2: malformed class id"),
            std::string::npos)
      << message;
}

TEST_F(EntryPointTest, ClassObjectIsRefusedForOtherClassesAndNullPointers) {
  const runtime::ClassId other = runtime::UuidLiteral("00000000-0000-4000-8000-000000000001");
  const runtime::ClassId* ours = &kPeltExpressionEvaluatorClassId;
  const runtime::InterfaceId* factory = &ClassFactory::kId;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_object_(&other, factory, &out), Result::kClassNotAvailable);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(get_class_object_(ours, &Dispatch::kId, &out), Result::kNoInterface);  // no evaluator
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(get_class_object_(nullptr, factory, &out), Result::kInvalidPointer);
  EXPECT_EQ(get_class_object_(ours, nullptr, &out), Result::kInvalidPointer);
  EXPECT_EQ(get_class_object_(ours, factory, nullptr), Result::kInvalidPointer);
  ASSERT_EQ(get_class_object_(ours, &Object::kId, &out), Result::kOk);
  static_cast<Object*>(out)->Release();
}

TEST_F(EntryPointTest, EveryInterfaceLeadsToOneObjectThatOnlyItsThreadMayCall) {
  Ref<_PeltExpressionEvaluator> evaluator = CreateEvaluator();
  ASSERT_TRUE(evaluator);
  Ref<Dispatch> dispatch = evaluator.As<Dispatch>();
  Ref<Object> from_evaluator = evaluator.As<Object>();
  Ref<Object> from_dispatch = dispatch.As<Object>();
  ASSERT_TRUE(dispatch && from_evaluator && from_dispatch);
  EXPECT_EQ(from_evaluator.get(), from_dispatch.get());
  EXPECT_EQ(static_cast<Dispatch*>(evaluator.get()), dispatch.get());  // dual: one table of members
  EXPECT_FALSE(evaluator.As<ClassFactory>());
  EXPECT_EQ(evaluator->Retain(), 5u);  // evaluator, dispatch and two Object refs hold one each
  EXPECT_EQ(evaluator->Release(), 4u);

  runtime::Boolean value = 0;
  Result from_other = Result::kOk;
  std::thread([&] { from_other = evaluator->ShowMessages(&value); }).join();
  EXPECT_EQ(from_other, Result::kWrongThread);
  EXPECT_EQ(evaluator->ShowMessages(&value), Result::kOk);  // its own thread still may
}

TEST_F(EntryPointTest, LiveObjectsAndLocksKeepTheLibraryLoaded) {
  EXPECT_EQ(can_unload_now_(), Result::kOk);
  Ref<ClassFactory> factory;
  ASSERT_EQ(
      get_class_object_(&kPeltExpressionEvaluatorClassId, &ClassFactory::kId, factory.PutVoid()),
      Result::kOk);
  EXPECT_EQ(can_unload_now_(), Result::kFalse);  // the factory's code lives there
  Ref<_PeltExpressionEvaluator> evaluator;
  ASSERT_EQ(factory->Create(_PeltExpressionEvaluator::kId, evaluator.PutVoid()), Result::kOk);
  Ref<Dispatch> second;
  ASSERT_EQ(factory->Create(Dispatch::kId, second.PutVoid()), Result::kOk);
  EXPECT_NE(static_cast<Dispatch*>(evaluator.get()), second.get());  // two objects
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->Create(ClassFactory::kId, &none), Result::kNoInterface);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(factory->Create(Dispatch::kId, nullptr), Result::kInvalidPointer);

  ASSERT_EQ(factory->Lock(true), Result::kOk);
  factory.Reset();
  evaluator.Reset();
  second.Reset();
  EXPECT_EQ(can_unload_now_(), Result::kFalse);  // the lock still holds it
  ASSERT_EQ(
      get_class_object_(&kPeltExpressionEvaluatorClassId, &ClassFactory::kId, factory.PutVoid()),
      Result::kOk);
  EXPECT_EQ(factory->Lock(false), Result::kOk);
  EXPECT_EQ(factory->Lock(false), Result::kInvalidArgument);  // more unlocks than locks
  factory.Reset();
  EXPECT_EQ(can_unload_now_(), Result::kOk);

  // The runtime unloads a library it loaded only once nothing of it is alive.
  evaluator = CreateEvaluator();
  ASSERT_TRUE(evaluator);
  EXPECT_EQ(runtime::LoadedLibraryCount(), 1u);
  EXPECT_EQ(runtime::FreeUnusedLibraries(), 1u);
  evaluator.Reset();
  EXPECT_EQ(runtime::FreeUnusedLibraries(), 0u);
}

}  // namespace
}  // namespace pelt::server
