#pragma once

#include <cstdint>
#include <string_view>

namespace pelt::runtime {

// What every call across the component boundary returns. Zero and positive
// values are successes, negative ones failures. kFalse is the success that
// answers "no" (a library that must stay loaded, for example). A member that
// fails with an error of its own returns kException and fills the caller's
// exception record. Marked nodiscard: a Result dropped on the floor is a
// failure nobody hears of.
enum class [[nodiscard]] Result : std::int32_t {
  kOk = 0,
  kFalse = 1,

  kFailed = -1,              // a failure with no more specific code
  kNotImplemented = -2,
  kNoInterface = -3,         // the object does not offer that interface
  kInvalidPointer = -4,      // a required pointer was null
  kInvalidArgument = -5,
  kOutOfMemory = -6,
  kUnexpected = -7,          // an internal failure caught at the boundary
  kWrongThread = -8,         // an object called from a thread it does not live in

  kClassNotAvailable = -20,  // the library does not serve that class
  kClassNotRegistered = -21,
  kLibraryNotLoadable = -22,
  kEntryPointMissing = -23,
  kRegistryCorrupt = -24,
  kRegistryReadOnly = -25,
  kRegistryIo = -26,

  kMemberNotFound = -40,     // no member of that name or dispatch identifier
  kBadArgumentCount = -41,
  kTypeMismatch = -42,       // an argument of a type the member cannot take
  kBadCallKind = -43,        // e.g. writing a read-only property
  kException = -44,          // the member failed; see the exception record
};

constexpr bool Succeeded(Result r) { return static_cast<std::int32_t>(r) >= 0; }
constexpr bool Failed(Result r) { return static_cast<std::int32_t>(r) < 0; }

// Returns a failed outcome (a Result, or anything Failed() takes) from the
// enclosing function; a successful one goes on.
#define PELT_RETURN_IF_FAILED(expression)                                              \
  do {                                                                                 \
    if (auto pelt_outcome_ = (expression); ::pelt::runtime::Failed(pelt_outcome_)) { \
      return pelt_outcome_;                                                            \
    }                                                                                  \
  } while (false)

// "no interface", "registry corrupt" …; "result N" for a code not listed.
std::string_view ResultName(Result r);
// One sentence for people: "The object does not offer the requested interface."
std::string_view ResultDescription(Result r);

}  // namespace pelt::runtime
