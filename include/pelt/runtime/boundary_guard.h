#pragma once

#include <tuple>
#include <type_traits>
#include <utility>

#include "pelt/runtime/result.h"

namespace pelt::runtime {

// The Result for the exception in flight: kOutOfMemory for std::bad_alloc,
// kUnexpected for anything else. Call only inside a handler.
Result CurrentExceptionResult() noexcept;

// Runs body (which returns a Result) so that no exception leaves it: the one
// catch-all of every function callable across the boundary.
template <class Body>
Result GuardBoundary(Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return CurrentExceptionResult();
  }
}

// The pointers a member called across the boundary reads from (Inputs) and
// writes to (Outputs). Every one must be passed.
template <class... T>
struct Inputs {
  explicit Inputs(const T*... p) : pointers(p...) {}
  std::tuple<const T*...> pointers;
};
template <class... T>
struct Outputs {
  explicit Outputs(T*... p) : pointers(p...) {}
  std::tuple<T*...> pointers;
};

// The preamble of a member called across the boundary. Each output that
// hands out a pointer (a Text, an interface) is set to null first, so that
// a failure hands out nothing; a null input or output then gives
// kInvalidPointer; otherwise body runs under GuardBoundary.
template <class... In, class... Out, class Body>
Result GuardMember(const Inputs<In...>& inputs, const Outputs<Out...>& outputs,
                   Body&& body) noexcept {
  const auto clear = []<class T>(T* out) {
    if constexpr (std::is_pointer_v<T>) {
      if (out != nullptr) *out = nullptr;
    }
    return out != nullptr;
  };
  bool passed = true;
  std::apply([&](auto*... out) { ((passed = clear(out) && passed), ...); }, outputs.pointers);
  std::apply([&](const auto*... in) { ((passed = in != nullptr && passed), ...); },
             inputs.pointers);
  if (!passed) return Result::kInvalidPointer;
  return GuardBoundary(std::forward<Body>(body));
}

}  // namespace pelt::runtime
