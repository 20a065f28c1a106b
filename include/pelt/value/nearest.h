#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace pelt::value {

// Did-you-mean suggestions: how far a slip is from the names a program knows.

// The optimal-string-alignment distance between a and b: insertions,
// deletions, substitutions and swaps of two neighbours count one each. ASCII
// letters compare regardless of case, so "lable" is 1 from "label" and
// "ucase" 0 from "UCase".
std::size_t EditDistance(std::string_view a, std::string_view b);
std::size_t EditDistance(std::u16string_view a, std::u16string_view b);

// The most edits a word of this length may be from a name for the name to
// be suggested: none (but case) up to 2 characters, 1 up to 4, 2 up to 8,
// 3 beyond.
std::size_t SlipBudget(std::size_t length);

// The positions in candidates of the names nearest to word within its slip
// budget, in candidates' order; empty when none is near enough. A name equal
// to word (regardless of case) is nearest at distance 0.
std::vector<std::size_t> NearestNames(std::string_view word,
                                      std::span<const std::string_view> candidates);
std::vector<std::size_t> NearestNames(std::u16string_view word,
                                      std::span<const std::u16string_view> candidates);

}  // namespace pelt::value
