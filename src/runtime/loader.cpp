#include "pelt/runtime/loader.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "message.h"
#include "pelt/runtime/boundary_guard.h"
#include "pelt/runtime/registry.h"
#include "pelt/runtime/server_support.h"

namespace pelt::runtime {
namespace {

struct LoadedLibrary {
  void* handle = nullptr;
  GetClassObjectEntry get_class_object = nullptr;
  CanUnloadNowEntry can_unload_now = nullptr;  // may be missing: then it stays
};

// The libraries this process loaded for creation, by path. Each is loaded
// once and stays until FreeUnusedLibraries finds it unused.
class LibraryTable {
 public:
  static LibraryTable& Instance() {
    static auto* table = new LibraryTable;  // never destroyed: used until exit
    return *table;
  }

  Result Load(const std::string& path, GetClassObjectEntry& entry, std::string* message) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = libraries_.find(path);
    if (found == libraries_.end()) {
      std::string load_path;
      PELT_RETURN_IF_FAILED(CheckLibrary(path, load_path, message));
      // RTLD_NODELETE: unloading closes this handle, but the code stays
      // mapped until the process ends. Libraries a server uses (the dialog
      // toolkit, ICU) keep pointers into the code and data of their callers,
      // and would be left pointing at unmapped memory.
      void* handle = ::dlopen(load_path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
      if (handle == nullptr) {
        const char* why = ::dlerror();
        SetMessage(message,
                   "cannot load " + path + ": " + (why != nullptr ? why : "unknown error"));
        return Result::kLibraryNotLoadable;
      }
      LoadedLibrary library;
      library.handle = handle;
      library.get_class_object =
          reinterpret_cast<GetClassObjectEntry>(::dlsym(handle, kGetClassObjectName));
      library.can_unload_now =
          reinterpret_cast<CanUnloadNowEntry>(::dlsym(handle, kCanUnloadNowName));
      if (library.get_class_object == nullptr) {
        ::dlclose(handle);
        SetMessage(message, path + " does not export " + kGetClassObjectName);
        return Result::kEntryPointMissing;
      }
      found = libraries_.emplace(path, library).first;
    }
    entry = found->second.get_class_object;
    return Result::kOk;
  }

  std::size_t FreeUnused() {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = libraries_.begin(); it != libraries_.end();) {
      const LoadedLibrary& library = it->second;
      if (library.can_unload_now != nullptr && library.can_unload_now() == Result::kOk) {
        ::dlclose(library.handle);
        it = libraries_.erase(it);
      } else {
        ++it;
      }
    }
    return libraries_.size();
  }

  std::size_t Count() {
    std::lock_guard<std::mutex> guard(mutex_);
    return libraries_.size();
  }

 private:
  std::mutex mutex_;
  std::map<std::string, LoadedLibrary> libraries_;
};

// Looks a class up in the user's registry, then in the system registry: a
// class in both is the user's. A registry that cannot be trusted or read
// stops the search, so that no class is silently taken from the other one.
Result FindClass(const std::function<const ClassEntry*(const RegistryContents&)>& find,
                 std::string_view what, ClassEntry& out, std::string* message) {
  const std::pair<std::filesystem::path, TrustedOwners> registries[] = {
      {RegistryPath(), TrustedOwners::kUserOrRoot},
      {SystemRegistryPath(), TrustedOwners::kRootOnly}};
  for (const auto& [path, owners] : registries) {
    RegistryContents contents;
    PELT_RETURN_IF_FAILED(ReadRegistry(path, contents, message, owners));
    if (const ClassEntry* entry = find(contents)) {
      out = *entry;
      return Result::kOk;
    }
  }
  SetMessage(message, std::string(what) + " is not registered in " + registries[0].first.string() +
                          " or " + registries[1].first.string());
  return Result::kClassNotRegistered;
}

Result FindProgramId(std::string_view program_id, ClassEntry& out, std::string* message) {
  const auto find = [&](const RegistryContents& c) { return c.FindProgramId(program_id); };
  return FindClass(find, "program id " + std::string(program_id), out, message);
}

Result CreateFromEntry(const ClassEntry& entry, const InterfaceId& interface_id, void** out,
                       std::string* message) {
  GetClassObjectEntry get_class_object = nullptr;
  PELT_RETURN_IF_FAILED(LibraryTable::Instance().Load(entry.library, get_class_object, message));
  Ref<ClassFactory> factory;
  const ClassId id = entry.id;
  const InterfaceId factory_id = ClassFactory::kId;
  if (Result r = get_class_object(&id, &factory_id, factory.PutVoid()); Failed(r)) {
    SetMessage(message, entry.library + " gives no factory for class " + ToString(id) + ": " +
                            std::string(ResultDescription(r)));
    return r;
  }
  if (!factory) return Result::kUnexpected;
  const Result r = factory->Create(interface_id, out);
  if (Failed(r)) {
    SetMessage(message, "class " + ToString(id) +
                            " cannot be created: " + std::string(ResultDescription(r)));
  }
  return r;
}

}  // namespace

Result CreateObject(const ClassId& class_id, const InterfaceId& interface_id, void** out,
                    std::string* message) {
  return GuardMember(Inputs(), Outputs(out), [&] {
    ClassEntry entry;
    const auto find = [&](const RegistryContents& c) { return c.FindClass(class_id); };
    PELT_RETURN_IF_FAILED(FindClass(find, "class " + ToString(class_id), entry, message));
    return CreateFromEntry(entry, interface_id, out, message);
  });
}

Result CreateObject(std::string_view program_id, const InterfaceId& interface_id, void** out,
                    std::string* message) {
  return GuardMember(Inputs(), Outputs(out), [&] {
    ClassEntry entry;
    PELT_RETURN_IF_FAILED(FindProgramId(program_id, entry, message));
    return CreateFromEntry(entry, interface_id, out, message);
  });
}

Result ClassIdFromProgramId(std::string_view program_id, ClassId& out, std::string* message) {
  return GuardBoundary([&] {
    ClassEntry entry;
    PELT_RETURN_IF_FAILED(FindProgramId(program_id, entry, message));
    out = entry.id;
    return Result::kOk;
  });
}

std::size_t FreeUnusedLibraries() { return LibraryTable::Instance().FreeUnused(); }
std::size_t LoadedLibraryCount() { return LibraryTable::Instance().Count(); }

}  // namespace pelt::runtime
