#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pelt/runtime/object.h"
#include "pelt/runtime/result.h"

namespace pelt::runtime {

// Creation of registered classes. The class is looked up in the user's
// registry (RegistryPath()), then in the system registry
// (SystemRegistryPath()), so a class in both is the user's; its library is
// checked (CheckLibrary) and loaded with dlopen (once per process), its class
// factory obtained from DllGetClassObject and asked for the interface. A
// registry or a library that another account could change is refused before
// any of its code runs. When message is not null a failure also leaves there
// one line for people, naming the class, library or registry at fault.
Result CreateObject(const ClassId& class_id, const InterfaceId& interface_id, void** out,
                    std::string* message = nullptr);
Result CreateObject(std::string_view program_id, const InterfaceId& interface_id, void** out,
                    std::string* message = nullptr);
Result ClassIdFromProgramId(std::string_view program_id, ClassId& out,
                            std::string* message = nullptr);

// Whether the library at path may be loaded: an absolute path naming a
// regular file (not a link) that, like every folder above it up to the
// user's home (or "/" outside home), belongs to the user or root and is
// writable by neither its group nor others. kOk with the path to load it by
// (its folders' links resolved, so that what was checked is what loads);
// kLibraryUntrusted, or kLibraryNotLoadable when it cannot be opened, with a
// message.
Result CheckLibrary(const std::string& path, std::string& load_path,
                    std::string* message = nullptr);

template <class T>
Result CreateObject(const ClassId& class_id, Ref<T>& out, std::string* message = nullptr) {
  return CreateObject(class_id, T::kId, out.PutVoid(), message);
}
template <class T>
Result CreateObject(std::string_view program_id, Ref<T>& out, std::string* message = nullptr) {
  return CreateObject(program_id, T::kId, out.PutVoid(), message);
}

// Asks every library loaded here whether it may be unloaded (its
// DllCanUnloadNow) and unloads those that say yes. Returns how many stay.
// Unloading closes the runtime's handle and forgets the library; its code
// stays mapped until the process ends (see loader.cpp), so a library loaded
// again later starts from the state it was left in.
std::size_t FreeUnusedLibraries();
std::size_t LoadedLibraryCount();

}  // namespace pelt::runtime
