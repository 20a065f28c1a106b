#include "pelt/runtime/result.h"

namespace pelt::runtime {
namespace {

struct ResultText {
  Result result;
  std::string_view name;
  std::string_view description;
};

constexpr ResultText kResultTexts[] = {
#define PELT_RESULT(id, code, name, description) {Result::id, name, description},
#include "pelt/runtime/results.def"
#undef PELT_RESULT
};

const ResultText* Find(Result r) {
  for (const ResultText& entry : kResultTexts) {
    if (entry.result == r) return &entry;
  }
  return nullptr;
}

}  // namespace

std::string_view ResultName(Result r) {
  const ResultText* entry = Find(r);
  return entry != nullptr ? entry->name : std::string_view("unknown result");
}

std::string_view ResultDescription(Result r) {
  const ResultText* entry = Find(r);
  if (entry != nullptr) return entry->description;
  return Succeeded(r) ? std::string_view("The call succeeded.")
                      : std::string_view("The call failed.");
}

}  // namespace pelt::runtime
