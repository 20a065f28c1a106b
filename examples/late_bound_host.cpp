// A host that knows the evaluator only by its program id and its members
// only by name: it creates the object through the component runtime,
// verifies an expression against a small table of cities and makes a label
// for each row, every call late-bound.
//
//   pelt-example-host [EXPRESSION]
//
// The server library must be registered first (pelt-regsvr
// libPeltExpressions.so). Exit status: 0 labels made, 1 the expression was
// refused, 2 the evaluator could not be created or called.

#include <cstdio>
#include <string>
#include <vector>

#include "pelt/host/memory_table.h"
#include "pelt/runtime/dispatch.h"
#include "pelt/runtime/loader.h"
#include "pelt/runtime/served_objects.h"
#include "pelt/value/text.h"

namespace {

using pelt::runtime::CallKind;
using pelt::runtime::Dispatch;
using pelt::runtime::DispatchId;
using pelt::runtime::OwnedText;
using pelt::runtime::Ref;
using pelt::runtime::Result;
using pelt::runtime::ScopedExceptionRecord;
using pelt::runtime::ScopedVariant;
using pelt::runtime::Variant;

constexpr char kProgramId[] = "PeltExpressions.PeltExpressionEvaluator";

std::string Utf8(std::u16string_view text) { return pelt::value::ToUtf8(text); }

// One late-bound object: members looked up by name once, then called.
class LateBound {
 public:
  explicit LateBound(Ref<Dispatch> object) : object_(std::move(object)) {}

  // The member's dispatch identifier; false when the object has no such member.
  bool Find(std::u16string_view name, DispatchId& id) {
    OwnedText text(name);
    pelt::runtime::Text names[] = {text.get()};
    return object_->MemberIds(names, 1, &id) == Result::kOk;
  }

  // Calls a member; on failure prints why and returns false.
  bool Call(std::u16string_view name, CallKind kind, std::vector<Variant> arguments,
            ScopedVariant& result) {
    DispatchId id = 0;
    bool ok = Find(name, id);
    if (!ok) {
      std::fprintf(stderr, "the evaluator has no member %s\n", Utf8(name).c_str());
    } else {
      ScopedExceptionRecord exception;
      const Result r =
          object_->Call(id, kind, arguments.data(), static_cast<std::uint32_t>(arguments.size()),
                        &result.get(), exception.get());
      ok = pelt::runtime::Succeeded(r);
      if (!ok) {
        std::fprintf(stderr, "%s failed: %s %s\n", Utf8(name).c_str(),
                     std::string(pelt::runtime::ResultName(r)).c_str(),
                     Utf8(pelt::runtime::TextView(exception->description)).c_str());
      }
    }
    for (Variant& a : arguments) pelt::runtime::VariantClear(a);
    return ok;
  }

 private:
  Ref<Dispatch> object_;
};

pelt::host::MemoryTable Cities() {
  using pelt::host::FieldType;
  using pelt::value::Variant;
  pelt::host::MemoryTable table({{u"NAME", FieldType::kString},
                                 {u"COUNTRY", FieldType::kString},
                                 {u"POP", FieldType::kInteger},
                                 {u"Shape", FieldType::kGeometry}});
  table.AddRow(
      {Variant::FromText(u"Zürich"), Variant::FromText(u"Switzerland"), Variant::FromLong(421878)});
  table.AddRow(
      {Variant::FromText(u"Łódź"), Variant::FromText(u"Poland"), Variant::FromLong(664860)});
  table.AddRow({Variant::FromText(u"Évora"), Variant::FromText(u"Portugal"), Variant::Null()});
  return table;
}

int Run(std::u16string_view expression) {
  Ref<Dispatch> object;
  std::string message;
  if (const Result r = pelt::runtime::CreateObject(kProgramId, object, &message);
      pelt::runtime::Failed(r)) {
    std::fprintf(stderr, "cannot create %s: %s\n", kProgramId, message.c_str());
    // A registry or library refused says itself what to do instead.
    if (r == Result::kClassNotRegistered) {
      std::fprintf(stderr, "(register the server first: pelt-regsvr libPeltExpressions.so)\n");
    }
    return 2;
  }
  std::printf("created %s\n", kProgramId);
  LateBound evaluator(std::move(object));

  pelt::host::MemoryTable table = Cities();
  auto table_object =
      pelt::runtime::ServeHostTable(pelt::runtime::Borrow<pelt::host::HostTable>(table));
  auto values = std::make_shared<pelt::value::Collection>();
  static_cast<void>(values->Add(pelt::value::Variant::FromText(u"7"), u"PAGE_NUMBER"));
  auto values_object = pelt::runtime::ServeCollection(values);

  ScopedVariant verdict;
  if (!evaluator.Call(u"VerifyExpression", CallKind::kMethod,
                      {pelt::runtime::MakeObjectVariant(table_object.get()),
                       pelt::runtime::MakeTextVariant(expression)},
                      verdict)) {
    return 2;
  }
  ScopedVariant text;
  if (!evaluator.Call(u"Message", CallKind::kGet, {}, text)) return 2;
  const bool valid = verdict->type == pelt::runtime::VariantType::kBoolean && verdict->boolean != 0;
  std::printf("VerifyExpression: %s\nMessage: %s\n", valid ? "True" : "False",
              Utf8(pelt::runtime::TextView(text->text)).c_str());
  if (!valid) return 1;

  for (std::size_t i = 0; i < table.RowCount(); ++i) {
    auto row_object =
        pelt::runtime::ServeHostRow(pelt::runtime::Borrow<pelt::host::HostRow>(table.Row(i)));
    ScopedVariant label;
    if (!evaluator.Call(u"MakeLabel", CallKind::kMethod,
                        {pelt::runtime::MakeObjectVariant(table_object.get()),
                         pelt::runtime::MakeObjectVariant(row_object.get()),
                         pelt::runtime::MakeTextVariant(expression),
                         pelt::runtime::MakeObjectVariant(values_object.get())},
                        label)) {
      return 2;
    }
    std::printf("label %zu: %s\n", i + 1, Utf8(pelt::runtime::TextView(label->text)).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::u16string expression = argc > 1 ? pelt::value::FromUtf8(argv[1])
                                             : std::u16string(u"Page $$PAGE_NUMBER: [NAME].UCase");
  const int status = Run(expression);
  // Every object is released by now, so the runtime may unload the server.
  std::printf("libraries still loaded: %zu\n", pelt::runtime::FreeUnusedLibraries());
  return status;
}
