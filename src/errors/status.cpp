#include "pelt/errors/status.h"

namespace pelt::errors {

Status Status::FromCode(value::ErrorCode code, std::u16string source) {
  return Status(static_cast<std::int32_t>(code), std::move(source),
                std::u16string(value::ErrorDescription(code)));
}

}  // namespace pelt::errors
