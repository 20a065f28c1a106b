#pragma once

#include <cstdint>

namespace pelt::server {

// What keeps this library loaded: its live objects (evaluators and class
// factories alike, since their code lives here) and its factories' locks.
class ModuleState {
 public:
  static void ObjectCreated();
  static void ObjectDestroyed();
  static void Lock();
  // False (and nothing changes) when no lock is held.
  static bool Unlock();
  static std::int64_t LiveObjects();
  static std::int64_t Locks();
  // True when nothing holds the library.
  static bool CanUnload();
};

// Counts one live object for as long as it exists; a member of every object
// class of this library.
class LiveObjectToken {
 public:
  LiveObjectToken() { ModuleState::ObjectCreated(); }
  ~LiveObjectToken() { ModuleState::ObjectDestroyed(); }
  LiveObjectToken(const LiveObjectToken&) = delete;
  LiveObjectToken& operator=(const LiveObjectToken&) = delete;
};

}  // namespace pelt::server
