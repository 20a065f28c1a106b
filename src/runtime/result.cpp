#include "pelt/runtime/result.h"

namespace pelt::runtime {
namespace {

struct ResultText {
  Result result;
  std::string_view name;
  std::string_view description;
};

// Legend: code, short name for logs and tools, sentence for people.
constexpr ResultText kResultTexts[] = {
    {Result::kOk, "ok", "The call succeeded."},
    {Result::kFalse, "false", "The call succeeded and answered no."},
    {Result::kFailed, "failed", "The call failed."},
    {Result::kNotImplemented, "not implemented", "The member is not implemented."},
    {Result::kNoInterface, "no interface", "The object does not offer the requested interface."},
    {Result::kInvalidPointer, "invalid pointer", "A required pointer was null."},
    {Result::kInvalidArgument, "invalid argument", "An argument is not valid."},
    {Result::kOutOfMemory, "out of memory", "There is not enough memory."},
    {Result::kUnexpected, "unexpected failure", "An unexpected internal failure occurred."},
    {Result::kWrongThread, "wrong thread",
     "The object was called from a thread other than the one it lives in."},
    {Result::kClassNotAvailable, "class not available",
     "The library does not serve the requested class."},
    {Result::kClassNotRegistered, "class not registered",
     "The class is not in the component registry."},
    {Result::kLibraryNotLoadable, "library not loadable",
     "The class's library could not be loaded."},
    {Result::kEntryPointMissing, "entry point missing",
     "The library does not export the required entry point."},
    {Result::kRegistryCorrupt, "registry corrupt", "The component registry file is corrupt."},
    {Result::kRegistryReadOnly, "registry read-only",
     "The component registry file is read-only."},
    {Result::kRegistryIo, "registry input/output error",
     "The component registry file could not be read or written."},
    {Result::kMemberNotFound, "member not found", "The object has no such member."},
    {Result::kBadArgumentCount, "bad argument count",
     "The member was called with the wrong number of arguments."},
    {Result::kTypeMismatch, "type mismatch", "An argument has a type the member cannot take."},
    {Result::kBadCallKind, "bad call kind",
     "The member cannot be called that way (a read-only property written, say)."},
    {Result::kException, "exception", "The member failed; the exception record describes how."},
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
  return Succeeded(r) ? std::string_view("The call succeeded.") : std::string_view("The call failed.");
}

}  // namespace pelt::runtime
