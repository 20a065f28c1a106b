#pragma once

#include <new>
#include <stdexcept>
#include <utility>

#include "pelt/errors/failure.h"

namespace pelt::evaluator::internal {

// Runs fn and, when it fails the way work on values can fail at run time,
// carries on as if it had done nothing. For the few steps whose behaviour is
// to ignore their own failure (a format that leaves the value as it came in,
// a reserved word that gives ""): what can fail there is memory, a text too
// long to convert (std::length_error), ICU (std::runtime_error) and a Failure
// raised inside the component. Anything else is a programming error and
// travels on to the caller's edge instead of being hidden here.
template <class Fn>
void IgnoringFailures(Fn&& fn) {
  try {
    std::forward<Fn>(fn)();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  } catch (const std::runtime_error&) {
  } catch (const errors::Failure&) {
  }
}

}  // namespace pelt::evaluator::internal
