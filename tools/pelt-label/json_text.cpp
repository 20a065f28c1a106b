#include "json_text.h"

namespace pelt::tools {

namespace {

bool NeedsEscape(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  out += '"';
  // The bytes between two that need escaping go in as one run.
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!NeedsEscape(c)) continue;
    out.append(text.substr(run, i - run));
    run = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        const auto byte = static_cast<unsigned char>(c);
        out += "\\u00";
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0x0F];
      }
    }
  }
  out.append(text.substr(run));
  out += '"';
}

}  // namespace pelt::tools
