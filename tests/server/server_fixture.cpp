#include "server_fixture.h"

#include <cstdio>

#include "pelt/runtime/text.h"
#include "pelt/value/text.h"

namespace pelt::server::testing {

using runtime::VariantType;

std::string DumpVariant(const runtime::Variant& v) {
  std::string type(runtime::VariantTypeName(v.type));
  switch (v.type) {
    case VariantType::kBoolean: return type + ":" + std::to_string(v.boolean);
    case VariantType::kInteger: return type + ":" + std::to_string(v.integer);
    case VariantType::kLong: return type + ":" + std::to_string(v.long_value);
    case VariantType::kText: return type + ":" + value::ToUtf8(runtime::TextView(v.text));
    case VariantType::kObject: return type + (v.object != nullptr ? ":set" : ":null");
    default: return type;
  }
}

std::string CallOutcome::Line() const {
  std::string line(runtime::ResultName(result));
  if (runtime::Succeeded(result)) return line + " " + value;
  if (argument != 0) line += " arg " + std::to_string(argument);
  if (!description.empty()) line += ": " + description;
  return line;
}

CallOutcome Invoke(runtime::Dispatch& object, runtime::DispatchId id, runtime::CallKind kind,
                   std::vector<runtime::Variant> arguments) {
  runtime::ScopedVariant result;
  runtime::ScopedExceptionRecord record;
  CallOutcome outcome;
  outcome.result = object.Call(id, kind, arguments.data(), static_cast<std::uint32_t>(arguments.size()),
                               &result.get(), record.get());
  outcome.value = DumpVariant(result.get());
  outcome.number = record->number;
  outcome.description = value::ToUtf8(runtime::TextView(record->description));
  outcome.argument = record->argument;
  for (runtime::Variant& a : arguments) runtime::VariantClear(a);
  return outcome;
}

}  // namespace pelt::server::testing
