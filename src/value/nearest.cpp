#include "pelt/value/nearest.h"

#include <algorithm>
#include <limits>

namespace pelt::value {
namespace {

template <class Char>
Char FoldAscii(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

// Three rows of the classic dynamic programme are enough for the swap of two
// neighbours; names are short, so the rows live on the heap once per call.
template <class Char>
std::size_t Distance(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  const std::size_t width = b.size() + 1;
  std::vector<std::size_t> before(width), previous(width), current(width);
  for (std::size_t j = 0; j < width; ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j < width; ++j) {
      const bool same = FoldAscii(a[i - 1]) == FoldAscii(b[j - 1]);
      current[j] =
          std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && FoldAscii(a[i - 1]) == FoldAscii(b[j - 2]) &&
          FoldAscii(a[i - 2]) == FoldAscii(b[j - 1])) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

template <class Char>
std::vector<std::size_t> Nearest(std::basic_string_view<Char> word,
                                 std::span<const std::basic_string_view<Char>> candidates) {
  std::vector<std::size_t> nearest;
  std::size_t best = SlipBudget(word.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    // A length difference beyond the budget cannot come within it.
    const std::size_t gap = candidates[i].size() > word.size() ? candidates[i].size() - word.size()
                                                               : word.size() - candidates[i].size();
    if (gap > best) continue;
    const std::size_t distance = Distance(word, candidates[i]);
    if (distance > best) continue;
    if (distance < best) nearest.clear();
    best = distance;
    nearest.push_back(i);
  }
  return nearest;
}

}  // namespace

std::size_t EditDistance(std::string_view a, std::string_view b) { return Distance(a, b); }
std::size_t EditDistance(std::u16string_view a, std::u16string_view b) { return Distance(a, b); }

std::size_t SlipBudget(std::size_t length) {
  if (length <= 2) return 0;  // any two-letter word is one edit from too many names
  return length <= 4 ? 1 : length <= 8 ? 2 : 3;
}

std::vector<std::size_t> NearestNames(std::string_view word,
                                      std::span<const std::string_view> candidates) {
  return Nearest(word, candidates);
}

std::vector<std::size_t> NearestNames(std::u16string_view word,
                                      std::span<const std::u16string_view> candidates) {
  return Nearest(word, candidates);
}

}  // namespace pelt::value
