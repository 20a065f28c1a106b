#include "run_words.h"

#include <algorithm>

#include "pelt/host/run_words.h"
#include "pelt/value/text.h"

namespace pelt::reference {

std::string RunWordMismatch(const std::vector<std::string>& listed) {
  std::vector<std::string> supplied;
  for (const host::RunWordInfo& word : host::RunWordTable()) {
    supplied.push_back("$$" + value::ToUtf8(word.name));
  }
  std::vector<std::string> sorted = listed;
  std::sort(sorted.begin(), sorted.end());
  std::sort(supplied.begin(), supplied.end());
  if (sorted == supplied) return "";
  std::string mismatch = "the reserved words a run supplies are";
  for (const std::string& word : supplied) mismatch += " " + word;
  mismatch += "; the reference lists";
  for (const std::string& word : sorted) mismatch += " " + word;
  return mismatch;
}

}  // namespace pelt::reference
