#include "pelt/value/did_you_mean.h"

namespace pelt::value {

std::string DidYouMean(std::span<const std::string> names) {
  if (names.empty()) return "";
  std::string text = "; did you mean ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += '\'' + names[i] + '\'';
  }
  text += '?';
  return text;
}

}  // namespace pelt::value
