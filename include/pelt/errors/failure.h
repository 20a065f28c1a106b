#pragma once

#include <exception>
#include <string>

#include "pelt/errors/status.h"
#include "pelt/value/error_code.h"

namespace pelt::errors {

// An unexpected failure travelling inside the component. It never leaves a
// public operation: each one catches it at its edge and turns it into its own
// result, message or report.
class Failure : public std::exception {
 public:
  explicit Failure(Status status);
  const Status& status() const { return status_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  Status status_;
  std::string what_;  // UTF-8 description, for std::exception
};

[[noreturn]] void Raise(Status status);
[[noreturn]] void Raise(value::ErrorCode code, std::u16string source);

// Raises the status when it is a failure; does nothing on success.
inline void ThrowIfFailed(Status status) {
  if (!status.ok()) Raise(std::move(status));
}
inline void ThrowIfFailed(value::ErrorCode code, std::u16string_view source) {
  if (code != value::ErrorCode::kNone) Raise(code, std::u16string(source));
}

// Whatever is in flight in a catch (...) block as a Status: a Failure as it
// is, std::bad_alloc as "Out of memory", any other exception as an internal
// error with its what() text. Call only inside a handler.
Status CurrentFailure();

}  // namespace pelt::errors
