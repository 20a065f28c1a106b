#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "pelt/value/error_code.h"

namespace pelt::errors {

// The outcome of a host operation or another call that can fail: success, or
// an error number with the source that raised it and a description. Marked
// nodiscard so that an ignored failure does not compile cleanly.
class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  Status(std::int32_t number, std::u16string source, std::u16string description)
      : number_(number), source_(std::move(source)), description_(std::move(description)) {}

  static Status Ok() { return Status(); }
  // An error with the standard description of a value-layer code.
  static Status FromCode(value::ErrorCode code, std::u16string source);

  bool ok() const { return number_ == 0; }
  std::int32_t number() const { return number_; }
  const std::u16string& source() const { return source_; }
  const std::u16string& description() const { return description_; }

  friend bool operator==(const Status&, const Status&) = default;

 private:
  std::int32_t number_ = 0;
  std::u16string source_;
  std::u16string description_;
};

}  // namespace pelt::errors
