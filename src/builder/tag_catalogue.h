#pragma once

#include <span>
#include <string_view>

namespace pelt::builder {

// A text-formatting tag as the builder offers it: an empty pair of an opening
// tag of five characters and its closing tag of six, and the description
// shown when it is chosen. The component gives tags no meaning of its own:
// they pass through an expression as literal text.
struct TagInfo {
  std::u16string_view entry;  // "<BOL></BOL>"
  std::u16string_view description;
};

inline constexpr std::size_t kOpeningTagLength = 5;
inline constexpr std::size_t kClosingTagLength = 6;

// The twelve tags in the order the list shows them.
std::span<const TagInfo> Tags();

}  // namespace pelt::builder
