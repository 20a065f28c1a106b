#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "pelt/warnings/expression_warnings.h"

namespace pelt::warnings::internal {

// One {name} of a warning's message and what stands there.
struct Piece {
  std::u16string_view name;
  std::u16string_view value;
};

// The warning of kind about expression[offset, offset + length), its
// message filled in from pieces. A {name} without a piece stays as written.
Warning MakeWarning(WarningKind kind, std::span<const Piece> pieces, std::uint32_t offset = 0,
                    std::uint32_t length = 0);
inline Warning MakeWarning(WarningKind kind, std::initializer_list<Piece> pieces,
                           std::uint32_t offset = 0, std::uint32_t length = 0) {
  return MakeWarning(kind, std::span<const Piece>(pieces.begin(), pieces.size()), offset, length);
}

}  // namespace pelt::warnings::internal
