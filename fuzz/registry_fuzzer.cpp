// Reads arbitrary text as a component registry: every kind of record and
// property, counts that lie, long lines, bad ids, relative library paths.
// Checks that nothing crashes or hangs, that a refusal is a corrupt registry
// with a message naming its line and leaves the output as it was, and that
// a registry that parses names only absolute library paths and is written
// back as text that parses to the same registry.
//
// Input: the registry text itself.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "pelt/runtime/registry.h"

namespace {

using pelt::runtime::RegistryContents;
using pelt::runtime::Result;

bool Absolute(std::string_view path) { return path.starts_with('/'); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  RegistryContents parsed;
  std::string message;
  const Result result = pelt::runtime::ParseRegistry(text, parsed, &message);
  if (pelt::runtime::Failed(result)) {
    Check(result == Result::kRegistryCorrupt, "a refusal other than a corrupt registry");
    Check(message.starts_with("line "), "a refusal that names no line");
    Check(parsed == RegistryContents(), "a refused registry filled the output");
    return 0;
  }
  Check(result == Result::kOk, "a success other than kOk");
  for (const pelt::runtime::ClassEntry& entry : parsed.classes) {
    Check(Absolute(entry.library), "a class whose library is not an absolute path");
    Check(parsed.FindClass(entry.id) == &entry, "a class id that appears twice");
  }
  for (const pelt::runtime::TypeLibraryEntry& entry : parsed.type_libraries) {
    Check(entry.library.empty() || Absolute(entry.library),
          "a type library whose library is not an absolute path");
  }
  RegistryContents again;
  std::string again_message;
  Check(pelt::runtime::ParseRegistry(pelt::runtime::FormatRegistry(parsed), again,
                                     &again_message) == Result::kOk,
        "the text written for a registry does not parse");
  Check(again == parsed, "the text written for a registry parses to another registry");
  return 0;
}
