#pragma once

#include <cstdint>
#include <string_view>

namespace pelt::runtime {

// What every call across the component boundary returns: the codes of
// results.def. A member that fails with an error of its own returns
// kException and fills the caller's exception record. Marked nodiscard: a
// Result dropped on the floor is a failure nobody hears of.
enum class [[nodiscard]] Result : std::int32_t{
#define PELT_RESULT(id, code, name, description) id = code,
#include "pelt/runtime/results.def"
#undef PELT_RESULT
};

constexpr bool Succeeded(Result r) { return static_cast<std::int32_t>(r) >= 0; }
constexpr bool Failed(Result r) { return static_cast<std::int32_t>(r) < 0; }

// Returns a failed outcome (a Result, or anything Failed() takes) from the
// enclosing function; a successful one goes on.
#define PELT_RETURN_IF_FAILED(expression)                                            \
  do {                                                                               \
    if (auto pelt_outcome_ = (expression); ::pelt::runtime::Failed(pelt_outcome_)) { \
      return pelt_outcome_;                                                          \
    }                                                                                \
  } while (false)

// "no interface", "registry corrupt" …; "unknown result" for a code not listed.
std::string_view ResultName(Result r);
// One sentence for people: "The object does not offer the requested interface."
std::string_view ResultDescription(Result r);

}  // namespace pelt::runtime
