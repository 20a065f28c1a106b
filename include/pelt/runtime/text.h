#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pelt/runtime/result.h"

namespace pelt::runtime {

// Wide strings cross the boundary as Text: a pointer to UTF-16 units that
// are preceded by their count (32 bits) and followed by a terminating zero,
// so a Text may hold zeros of its own. Texts are allocated with the C
// allocator, so any module may free what another allocated. A null Text is
// the empty string.
//
// Ownership: a Text passed into a call stays the caller's; a Text handed
// out (an out parameter, a result variant) becomes the caller's to free.
using Text = char16_t*;

// A new Text with a copy of the units, or nullptr when memory is short.
Text TextAllocate(std::u16string_view units);
// Hands a new Text with a copy of the units out through out: kOutOfMemory
// (and out null) when memory is short.
Result HandOutText(std::u16string_view units, Text& out);
// Frees a Text made by TextAllocate; nullptr is ignored.
void TextFree(Text text);
// The number of units; 0 for nullptr.
std::uint32_t TextLength(const char16_t* text);
// The units of a Text (empty for nullptr).
std::u16string_view TextView(const char16_t* text);

// Owns one Text and frees it when it goes away.
class OwnedText {
 public:
  OwnedText() = default;
  explicit OwnedText(std::u16string_view units) : text_(TextAllocate(units)) {}
  ~OwnedText() { TextFree(text_); }
  OwnedText(OwnedText&& other) noexcept : text_(other.Release()) {}
  OwnedText& operator=(OwnedText&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;

  // Takes ownership of a Text someone handed out.
  static OwnedText Adopt(Text text) {
    OwnedText owned;
    owned.text_ = text;
    return owned;
  }

  Text get() const { return text_; }
  std::u16string_view view() const { return TextView(text_); }
  // Where a callee writes a Text it hands out; whatever was held is freed.
  Text* Put() {
    Reset(nullptr);
    return &text_;
  }
  Text Release() {
    Text text = text_;
    text_ = nullptr;
    return text;
  }
  void Reset(Text text) {
    TextFree(text_);
    text_ = text;
  }

 private:
  Text text_ = nullptr;
};

}  // namespace pelt::runtime
