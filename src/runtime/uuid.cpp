#include "pelt/runtime/uuid.h"

namespace pelt::runtime {

std::string ToString(const Uuid& id) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < id.bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kDigits[id.bytes[i] >> 4];
    text += kDigits[id.bytes[i] & 0x0f];
  }
  return text;
}

}  // namespace pelt::runtime
