#include "reserved_words.h"

namespace pelt::python {

bool StartWords(gdal::RunWords& words, const GivenWords& given, std::time_t now) {
  for (const auto& [key, word] : given) {
    if (!words.Give(key, word)) return false;
  }
  words.AddClock(now);
  return true;
}

}  // namespace pelt::python
