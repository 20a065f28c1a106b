#include "reserved_words.h"

#include <string>

#include "pelt/value/text.h"

namespace pelt::tools {
namespace {

using value::Variant;

// A reserved word is a run of ASCII letters, digits and "_".
bool IsWord(std::string_view key) {
  if (key.empty()) return false;
  for (char c : key) {
    const bool word =
        (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!word) return false;
  }
  return true;
}

}  // namespace

bool ReservedWordValues::Build(std::string_view layer, std::string_view source_path,
                               const std::vector<std::string_view>& sets, std::time_t now,
                               std::string& error) {
  // --set pairs first: they win over the built-in words.
  for (std::string_view set : sets) {
    const std::size_t equals = set.find('=');
    std::string_view key = set.substr(0, equals);
    if (key.starts_with("$$")) key.remove_prefix(2);  // as the word is written in expressions
    if (equals == std::string_view::npos || !IsWord(key)) {
      error = "--set needs KEY=VALUE with a KEY of letters, digits and _, not '" +
              std::string(set) + "'";
      return false;
    }
    given_.push_back(value::FromUtf8(key));
    if (!words_.Give(value::FromUtf8(key),
                     Variant::FromText(value::FromUtf8(set.substr(equals + 1))))) {
      error = "--set gives " + std::string(key) + " more than once";
      return false;
    }
  }
  words_.AddClock(now);
  words_.AddLayer(layer, source_path);
  return true;
}

}  // namespace pelt::tools
