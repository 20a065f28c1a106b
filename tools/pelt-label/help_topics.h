#pragma once

#include <span>
#include <string_view>

namespace pelt::tools {

// A topic of the reference of the expression language, as pelt-label help
// TOPIC prints it. The build writes the list (help_topics.cpp) from
// docs/expressions.ref, which is also docs/expressions.md and the manual
// page pelt-expressions(7).
struct HelpTopic {
  std::string_view name;   // "dates", "Left"
  std::string_view title;  // "Date and time pictures"
  std::string_view part;   // the topic's part ("statements" for Left); "" for a part
  std::span<const std::string_view> lines;
};

// The topics in the reference's order.
std::span<const HelpTopic> HelpTopics();

}  // namespace pelt::tools
