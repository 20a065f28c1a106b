#include "class_factory.h"

#include "evaluator_object.h"
#include "pelt/runtime/boundary_guard.h"
#include "pelt/server/evaluator_interface.h"

namespace pelt::server {

using runtime::Result;

Result EvaluatorFactory::Query(const runtime::InterfaceId& id, void** out) {
  return runtime::QueryChain<runtime::Object, runtime::ClassFactory>(this, id, out);
}

std::uint32_t EvaluatorFactory::Retain() { return refs_.Increment(); }

std::uint32_t EvaluatorFactory::Release() {
  const std::uint32_t left = refs_.Decrement();
  if (left == 0) delete this;
  return left;
}

Result EvaluatorFactory::Create(const runtime::InterfaceId& id, void** out) {
  return runtime::GuardMember(runtime::Inputs(), runtime::Outputs(out), [&] {
    auto object = runtime::Ref<EvaluatorObject>::Adopt(new EvaluatorObject);
    return object->Query(id, out);
  });
}

Result EvaluatorFactory::Lock(bool lock) {
  if (lock) {
    ModuleState::Lock();
    return Result::kOk;
  }
  return ModuleState::Unlock() ? Result::kOk : Result::kInvalidArgument;
}

Result GetClassObject(const runtime::ClassId* class_id, const runtime::InterfaceId* interface_id,
                      void** out) {
  return runtime::GuardMember(runtime::Inputs(class_id, interface_id), runtime::Outputs(out), [&] {
    if (*class_id != kPeltExpressionEvaluatorClassId) return Result::kClassNotAvailable;
    auto factory = runtime::Ref<EvaluatorFactory>::Adopt(new EvaluatorFactory);
    return factory->Query(*interface_id, out);
  });
}

}  // namespace pelt::server
