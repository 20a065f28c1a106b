#include "pelt/runtime/text.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace pelt::runtime {
namespace {

// Layout of one allocation: [count: uint32][units ...][0]. The Text points
// at the first unit; the count sits just before it.
constexpr std::size_t kHeader = sizeof(std::uint32_t);

std::uint32_t* CountOf(const char16_t* text) {
  // The header was written by TextAllocate at this very address.
  return reinterpret_cast<std::uint32_t*>(const_cast<char*>(reinterpret_cast<const char*>(text)) -
                                          kHeader);
}

}  // namespace

Text TextAllocate(std::u16string_view units) {
  if (units.size() > std::numeric_limits<std::uint32_t>::max() / sizeof(char16_t) - kHeader) {
    return nullptr;
  }
  const std::size_t bytes = kHeader + (units.size() + 1) * sizeof(char16_t);
  char* block = static_cast<char*>(std::malloc(bytes));
  if (block == nullptr) return nullptr;
  const auto count = static_cast<std::uint32_t>(units.size());
  std::memcpy(block, &count, kHeader);
  auto* text = reinterpret_cast<char16_t*>(block + kHeader);
  if (!units.empty()) std::memcpy(text, units.data(), units.size() * sizeof(char16_t));
  text[units.size()] = u'\0';
  return text;
}

Result HandOutText(std::u16string_view units, Text& out) {
  out = TextAllocate(units);
  return out != nullptr ? Result::kOk : Result::kOutOfMemory;
}

void TextFree(Text text) {
  if (text == nullptr) return;
  std::free(reinterpret_cast<char*>(text) - kHeader);
}

std::uint32_t TextLength(const char16_t* text) {
  if (text == nullptr) return 0;
  std::uint32_t count = 0;
  std::memcpy(&count, CountOf(text), kHeader);
  return count;
}

std::u16string_view TextView(const char16_t* text) {
  if (text == nullptr) return {};
  return std::u16string_view(text, TextLength(text));
}

}  // namespace pelt::runtime
