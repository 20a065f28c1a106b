#pragma once

#include <string>
#include <utility>

namespace pelt::runtime {

// Leaves text for people where the caller asked for it (message may be null).
inline void SetMessage(std::string* message, std::string text) {
  if (message != nullptr) *message = std::move(text);
}

}  // namespace pelt::runtime
