#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pelt/runtime/result.h"
#include "pelt/runtime/uuid.h"

namespace pelt::runtime {

// Where an object of a class may be called from. An apartment object lives in
// the thread that created it and refuses calls from others; a free object may
// be called from any thread; "both" objects accept either use.
enum class ThreadingModel { kApartment, kFree, kBoth };
std::string_view ThreadingModelName(ThreadingModel model);  // "apartment" …

// One registered class: where its library is and how to treat its objects.
struct ClassEntry {
  ClassId id;
  std::string program_id;  // "Library.Class"; matched without regard to ASCII case
  std::string name;
  std::string library;  // absolute path of the serving library
  ThreadingModel threading = ThreadingModel::kApartment;
  std::optional<Uuid> type_library;
  friend bool operator==(const ClassEntry&, const ClassEntry&) = default;
};

// One registered type library: the named description of a library's
// interfaces.
struct TypeLibraryEntry {
  Uuid id;
  std::string name;
  std::string description;
  std::uint16_t major_version = 1;
  std::uint16_t minor_version = 0;
  std::string library;
  friend bool operator==(const TypeLibraryEntry&, const TypeLibraryEntry&) = default;
};

struct RegistryContents {
  std::vector<ClassEntry> classes;
  std::vector<TypeLibraryEntry> type_libraries;

  const ClassEntry* FindClass(const ClassId& id) const;
  const ClassEntry* FindProgramId(std::string_view program_id) const;
  const TypeLibraryEntry* FindTypeLibrary(const Uuid& id) const;
  friend bool operator==(const RegistryContents&, const RegistryContents&) = default;
};

// The user's registry file: PELT_COMPONENT_REGISTRY when set and not empty,
// else components.registry in the "pelt" folder of $XDG_CONFIG_HOME (or of
// $HOME/.config).
std::filesystem::path RegistryPath();

// The administrator's registry, whose classes every user can create: the
// path the build was configured with (PELT_SYSTEM_REGISTRY, by default
// /etc/pelt/components.registry), or PELT_SYSTEM_COMPONENT_REGISTRY when set
// and not empty. Moving it does not lower the bar: wherever it is, it must
// belong to root, and so must the folders above it.
std::filesystem::path SystemRegistryPath();

// Whose files the runtime takes a registry or code from. A registry names
// the code a host runs, so a file that another account could change would
// let that account run code in the user's hosts. The file and every folder
// above it must belong to one of these owners and be writable by neither
// its group nor others (a sticky folder such as /tmp excepted); the user's
// files are checked from the user's home down, others from "/".
enum class TrustedOwners {
  kUserOrRoot,  // the user's registry and every library: the effective user, or root
  kRootOnly,    // the system registry
};

// The text form of the registry and its parser. The file begins with a
// header line and ends with "end" and the number of records, so that a
// truncated file is recognised as one. On kRegistryCorrupt, message says
// what is wrong and on which line.
std::string FormatRegistry(const RegistryContents& contents);
Result ParseRegistry(std::string_view text, RegistryContents& out, std::string* message);

// Reads the registry file, opened without following a link and checked
// for its owners first. A missing file is an empty registry; one that
// another account could change is kRegistryUntrusted, and is not read; a
// file that cannot be read is kRegistryIo and one that does not parse
// kRegistryCorrupt, each with a message naming the file.
Result ReadRegistry(const std::filesystem::path& path, RegistryContents& out, std::string* message,
                    TrustedOwners owners = TrustedOwners::kUserOrRoot);

// Checks what an update of the registry would write through: the folders,
// the file and its lock file where they exist. kOk, kRegistryUntrusted or
// kRegistryIo with a message. Lets a tool refuse before it loads any code.
Result CheckRegistryTrust(const std::filesystem::path& path, TrustedOwners owners,
                          std::string* message);

// Changes the registry file under an exclusive lock on its lock file (the
// registry's name plus ".lock"): reads it, applies change, and replaces it
// atomically (a temporary file in the same folder, flushed to disk, renamed
// over the old one). Concurrent updates from any number of processes are
// applied one after the other, so none is lost. A corrupt file is never
// overwritten (kRegistryCorrupt), and neither is a file without any write
// permission bit (kRegistryReadOnly) or one that is not trusted, in a
// folder that is not (kRegistryUntrusted). The lock and the temporary file
// are opened without following a link, so a link planted beside the
// registry cannot redirect the write.
Result UpdateRegistry(const std::filesystem::path& path,
                      const std::function<void(RegistryContents&)>& change, std::string* message);

// Registers the classes and the type library of one library: each entry
// replaces any entry with the same class id, program id or type library id.
// Library paths must be absolute (kInvalidArgument).
Result RegisterClasses(const std::filesystem::path& path, const std::vector<ClassEntry>& classes,
                       const std::optional<TypeLibraryEntry>& type_library, std::string* message);
// Removes the entries with those class ids and that type library id; the
// others stay as they are. Ids that are not registered are not an error.
Result UnregisterClasses(const std::filesystem::path& path, const std::vector<ClassId>& classes,
                         const std::optional<Uuid>& type_library, std::string* message);

}  // namespace pelt::runtime
