#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pelt::tools {

// pelt-label help TOPIC: the reference of the expression language on a
// terminal, a topic at a time.

// Writes the topic of that name (written exactly, else in any case); false
// when there is none.
bool WriteHelpTopic(std::string_view name, std::ostream& out);

// Lists the topics: each part of the reference with its title, and the
// names of the topics within it.
void WriteHelpTopicList(std::ostream& out);

// The names of the topics nearest to a slip of one, for a did-you-mean.
std::vector<std::string> NearestHelpTopics(std::string_view name);

}  // namespace pelt::tools
