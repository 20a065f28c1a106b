#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "pelt/errors/failure.h"
#include "pelt/errors/status.h"
#include "pelt/value/error_code.h"

namespace pelt::gdal::internal {

// The source named in every status this adapter returns.
inline constexpr std::u16string_view kStatusSource = u"pelt::gdal";

inline errors::Status StatusFromCode(value::ErrorCode code) {
  return errors::Status::FromCode(code, std::u16string(kStatusSource));
}

inline errors::Status StatusWithText(value::ErrorCode code, std::u16string description) {
  return errors::Status(static_cast<std::int32_t>(code), std::u16string(kStatusSource),
                        std::move(description));
}

inline errors::Status IndexOutOfRange() {
  return StatusFromCode(value::ErrorCode::kSubscriptOutOfRange);
}

// The failure in flight as a status. Call only inside a catch handler.
inline errors::Status CurrentFailureStatus() noexcept {
  try {
    return errors::CurrentFailure();
  } catch (...) {
    // Describing the failure failed as well: a status without text needs no
    // memory.
    return errors::Status(static_cast<std::int32_t>(value::ErrorCode::kOutOfMemory), {}, {});
  }
}

// The one catch-all at the edge of the adapter's host operations: body runs,
// and anything it throws (in practice only std::bad_alloc) becomes a failing
// Status. body returns void (success) or a Status.
template <class Body>
errors::Status Guarded(Body&& body) noexcept {
  try {
    if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
      std::forward<Body>(body)();
      return errors::Status::Ok();
    } else {
      return std::forward<Body>(body)();
    }
  } catch (...) {
    return CurrentFailureStatus();
  }
}

}  // namespace pelt::gdal::internal
