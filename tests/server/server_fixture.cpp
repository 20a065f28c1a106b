#include "server_fixture.h"

#include "pelt/runtime/text.h"
#include "pelt/value/text.h"

namespace pelt::server::testing {

using runtime::VariantType;

namespace {

std::string Dump(const runtime::Variant& v) {
  std::string type(runtime::VariantTypeName(v.type));
  switch (v.type) {
    case VariantType::kBoolean: return type + ":" + std::to_string(v.boolean);
    case VariantType::kText: return type + ":" + value::ToUtf8(runtime::TextView(v.text));
    default: return type;
  }
}

}  // namespace

std::string Invoke(runtime::Dispatch& object, runtime::DispatchId id, runtime::CallKind kind,
                   std::vector<runtime::Variant> arguments) {
  runtime::ScopedVariant result;
  runtime::ScopedExceptionRecord record;
  const runtime::Result r =
      object.Call(id, kind, arguments.data(), static_cast<std::uint32_t>(arguments.size()),
                  &result.get(), record.get());
  for (runtime::Variant& a : arguments) runtime::VariantClear(a);
  std::string line(runtime::ResultName(r));
  if (runtime::Succeeded(r)) return line + " " + Dump(result.get());
  if (r == runtime::Result::kException) line += " " + std::to_string(record->number);
  if (record->argument != 0) line += " arg " + std::to_string(record->argument);
  return line + ": " + value::ToUtf8(runtime::TextView(record->description));
}

}  // namespace pelt::server::testing
