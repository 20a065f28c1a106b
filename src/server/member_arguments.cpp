#include "member_arguments.h"

#include "pelt/runtime/status_conversion.h"

namespace pelt::server {

using runtime::Ref;
using runtime::Variant;

Result Argument<boundary::Boolean>::Localize(boundary::Boolean in, Local& out,
                                             runtime::ExceptionRecord*, KeptObjects&) {
  out = in != runtime::kFalse ? evaluator::kTrue : evaluator::kFalse;
  return Result::kOk;
}

Result Argument<boundary::Text>::Localize(boundary::Text in, Local& out, runtime::ExceptionRecord*,
                                          KeptObjects&) {
  out = runtime::TextView(in);
  return Result::kOk;
}

Result Argument<boundary::Table>::Localize(boundary::Table in, Local& out,
                                           runtime::ExceptionRecord*, KeptObjects& kept) {
  if (in == nullptr) return Result::kOk;
  if (kept.calls > 0) {
    out.table = &out.own.emplace(Ref<runtime::HostTableObject>::Share(in));
    return Result::kOk;
  }
  // Held, the kept table cannot have gone and another taken its address.
  if (!kept.table || kept.table->object() != in) {
    kept.table.emplace(Ref<runtime::HostTableObject>::Share(in));
  }
  out.table = &*kept.table;
  return Result::kOk;
}

Result Argument<boundary::Row>::Localize(boundary::Row in, Local& out, runtime::ExceptionRecord*,
                                         KeptObjects&) {
  if (in != nullptr) out.emplace(runtime::RemoteHostRow::Borrowed(in));
  return Result::kOk;
}

Result Argument<boundary::Collection>::Localize(boundary::Collection in, Local& out,
                                                runtime::ExceptionRecord*, KeptObjects& kept) {
  out = nullptr;
  if (in == nullptr) return Result::kOk;
  if (!kept.collection || kept.collection->object() != in) {
    kept.collection =
        std::make_shared<runtime::RemoteCollection>(Ref<runtime::CollectionObject>::Share(in));
  }
  out = kept.collection;
  return Result::kOk;
}

Result HandOut(evaluator::Boolean value, boundary::Boolean& out) {
  out = value != evaluator::kFalse ? runtime::kTrue : runtime::kFalse;
  return Result::kOk;
}

Result HandOut(std::u16string_view value, boundary::Text& out) {
  return runtime::HandOutText(value, out);
}

namespace {

void Write(Variant* result, Variant value) {
  if (result == nullptr) {
    runtime::VariantClear(value);
    return;
  }
  runtime::VariantClear(*result);
  *result = value;
}

}  // namespace

Result SetResult(Variant* result, evaluator::Boolean value) {
  Write(result, runtime::MakeBooleanVariant(value != evaluator::kFalse));
  return Result::kOk;
}

Result SetResult(Variant* result, std::u16string_view value) {
  Variant v = runtime::MakeTextVariant(value);
  if (v.type != runtime::VariantType::kText) return Result::kOutOfMemory;
  Write(result, v);
  return Result::kOk;
}

}  // namespace pelt::server
