#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelt::runtime {

// A 128-bit identifier of a class, an interface or a type library. Its text
// form is the usual 8-4-4-4-12 groups of hexadecimal digits, lower case,
// without braces: "665db793-3bf2-4cd7-8e73-622745cdc5b5". The bytes are kept
// in the order the text shows them, so equal text means equal bytes.
struct Uuid {
  std::array<std::uint8_t, 16> bytes{};

  friend constexpr bool operator==(const Uuid&, const Uuid&) = default;
  friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;
};

using ClassId = Uuid;
using InterfaceId = Uuid;

namespace internal {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace internal

// Parses the text form; hexadecimal digits of either case are accepted, and
// so is one pair of braces around the whole. nullopt for anything else.
constexpr std::optional<Uuid> ParseUuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  Uuid id;
  std::size_t byte = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    const int high = internal::HexDigit(text[i]);
    const int low = internal::HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    id.bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  return id;
}

// For identifiers written in code: a malformed literal does not compile.
consteval Uuid UuidLiteral(std::string_view text) {
  const std::optional<Uuid> id = ParseUuid(text);
  if (!id) throw "malformed identifier literal";
  return *id;
}

// The text form, lower case, without braces.
std::string ToString(const Uuid& id);

}  // namespace pelt::runtime
