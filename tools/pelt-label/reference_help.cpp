#include "reference_help.h"

#include <algorithm>

#include "help_topics.h"
#include "pelt/value/nearest.h"

namespace pelt::tools {
namespace {

constexpr std::size_t kLineWidth = 80;

const HelpTopic* FindTopic(std::string_view name) {
  const std::span<const HelpTopic> topics = HelpTopics();
  const auto exact = std::find_if(topics.begin(), topics.end(),
                                  [&](const HelpTopic& topic) { return topic.name == name; });
  if (exact != topics.end()) return &*exact;
  // EditDistance ignores the case of ASCII letters: 0 is the name in another case.
  const auto other_case = std::find_if(topics.begin(), topics.end(), [&](const HelpTopic& topic) {
    return value::EditDistance(topic.name, name) == 0;
  });
  return other_case != topics.end() ? &*other_case : nullptr;
}

}  // namespace

bool WriteHelpTopic(std::string_view name, std::ostream& out) {
  const HelpTopic* topic = FindTopic(name);
  if (topic == nullptr) return false;
  for (const std::string_view line : topic->lines) out << line << '\n';
  return true;
}

void WriteHelpTopicList(std::ostream& out) {
  out << "\nTopics of the label-expression language ('pelt-label help TOPIC'; all of them\n"
         "in docs/expressions.md and the manual page pelt-expressions(7)):\n";
  std::size_t width = 0;
  for (const HelpTopic& topic : HelpTopics()) {
    if (topic.part.empty()) width = std::max(width, topic.name.size());
  }
  const std::string indent(2 + width + 2, ' ');
  for (const HelpTopic& part : HelpTopics()) {
    if (!part.part.empty()) continue;
    out << "  " << part.name << std::string(width - part.name.size() + 2, ' ') << part.title
        << '\n';
    std::string line = indent;
    for (const HelpTopic& topic : HelpTopics()) {
      if (topic.part != part.name) continue;
      if (line.size() > indent.size() && line.size() + 1 + topic.name.size() > kLineWidth) {
        out << line << '\n';
        line = indent;
      }
      if (line.size() > indent.size()) line += ' ';
      line += topic.name;
    }
    if (line.size() > indent.size()) out << line << '\n';
  }
}

std::vector<std::string> NearestHelpTopics(std::string_view name) {
  std::vector<std::string_view> names;
  for (const HelpTopic& topic : HelpTopics()) names.push_back(topic.name);
  std::vector<std::string> nearest;
  for (std::size_t i : value::NearestNames(name, names)) nearest.emplace_back(names[i]);
  return nearest;
}

}  // namespace pelt::tools
