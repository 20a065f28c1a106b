#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace pelt::value {

// One row of a table that names the values of an enum; the tables are
// usually expanded from a .def list.
template <typename Enum, typename Text = std::u16string_view>
struct Named {
  Enum value;
  Text name;
};

// The name of value in rows, or fallback when no row has it.
template <typename Enum, typename Text, std::size_t N>
constexpr Text NameIn(const Named<Enum, Text> (&rows)[N], Enum value, Text fallback) {
  for (const auto& row : rows) {
    if (row.value == value) return row.name;
  }
  return fallback;
}

// The value whose name is exactly name, if a row has it.
template <typename Enum, typename Text, std::size_t N>
constexpr std::optional<Enum> ValueNamed(const Named<Enum, Text> (&rows)[N], Text name) {
  for (const auto& row : rows) {
    if (row.name == name) return row.value;
  }
  return std::nullopt;
}

}  // namespace pelt::value
