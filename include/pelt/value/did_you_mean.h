#pragma once

#include <span>
#include <string>

namespace pelt::value {

// The suggestion that follows a refusal, for names found by NearestNames or
// NearestKnownLocales: "; did you mean 'a'?", "; did you mean 'a' or 'b'?",
// "; did you mean 'a', 'b' or 'c'?", and "" for no names.
std::string DidYouMean(std::span<const std::string> names);

}  // namespace pelt::value
