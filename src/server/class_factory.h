#pragma once

#include "module_state.h"
#include "pelt/runtime/object.h"

namespace pelt::server {

// Makes PeltExpressionEvaluator objects. Each factory counts as a live
// object of the library, as its code lives here.
class EvaluatorFactory final : public runtime::ClassFactory {
 public:
  runtime::Result Query(const runtime::InterfaceId& id, void** out) override;
  std::uint32_t Retain() override;
  std::uint32_t Release() override;
  runtime::Result Create(const runtime::InterfaceId& id, void** out) override;
  runtime::Result Lock(bool lock) override;

 private:
  ~EvaluatorFactory() = default;
  LiveObjectToken live_;
  runtime::RefCount refs_;
};

// What DllGetClassObject does: the factory of class_id, asked for
// interface_id.
runtime::Result GetClassObject(const runtime::ClassId* class_id,
                               const runtime::InterfaceId* interface_id, void** out);

}  // namespace pelt::server
