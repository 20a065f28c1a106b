#include "pelt/runtime/boundary_guard.h"

#include <new>

namespace pelt::runtime {

Result CurrentExceptionResult() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return Result::kOutOfMemory;
  } catch (...) {
    return Result::kUnexpected;  // any other failure: reported as unexpected, not dropped
  }
}

}  // namespace pelt::runtime
