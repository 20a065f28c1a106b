#include "document.h"

namespace pelt::reference {

std::vector<const Topic*> Subtopics(const Document& document, std::size_t part) {
  std::vector<const Topic*> subtopics;
  if (document.topics[part].level != 2) return subtopics;
  for (std::size_t i = part + 1; i < document.topics.size() && document.topics[i].level == 3; ++i) {
    subtopics.push_back(&document.topics[i]);
  }
  return subtopics;
}

}  // namespace pelt::reference
