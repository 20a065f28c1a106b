#include "registration.h"

#include "pelt/runtime/registry.h"
#include "pelt/runtime/server_support.h"
#include "pelt/server/evaluator_interface.h"

namespace pelt::server {
namespace {

// Any object of this library: its address tells which file the library was
// loaded from.
constexpr char kAnchor = 0;

}  // namespace

runtime::Result RegisterServer() {
  const std::optional<std::string> library = runtime::LibraryPathOf(&kAnchor);
  if (!library) return runtime::Result::kUnexpected;
  runtime::ClassEntry evaluator_class;
  evaluator_class.id = kPeltExpressionEvaluatorClassId;
  evaluator_class.program_id = kPeltExpressionEvaluatorProgramId;
  evaluator_class.name = "PeltExpressionEvaluator";
  evaluator_class.library = *library;
  evaluator_class.threading = runtime::ThreadingModel::kApartment;
  evaluator_class.type_library = kTypeLibraryId;
  runtime::TypeLibraryEntry type_library;
  type_library.id = kTypeLibraryId;
  type_library.name = kTypeLibraryName;
  type_library.description = kTypeLibraryDescription;
  type_library.major_version = 1;
  type_library.minor_version = 0;
  type_library.library = *library;
  return runtime::RegisterClasses(runtime::RegistryPath(), {evaluator_class}, type_library,
                                  nullptr);
}

runtime::Result UnregisterServer() {
  return runtime::UnregisterClasses(runtime::RegistryPath(), {kPeltExpressionEvaluatorClassId},
                                    kTypeLibraryId, nullptr);
}

}  // namespace pelt::server
