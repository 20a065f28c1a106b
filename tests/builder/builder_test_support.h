#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pelt/ui/message_boxes.h"
#include "pelt/value/collection.h"

namespace pelt::builder::testing {

// A host's two reserved-word collections: the words in order, and each
// word's description under the word as key (a null description is left out).
struct ReservedWords {
  std::shared_ptr<value::Collection> words = std::make_shared<value::Collection>();
  std::shared_ptr<value::Collection> descriptions = std::make_shared<value::Collection>();
};

inline ReservedWords MakeReservedWords(
    std::initializer_list<std::pair<std::u16string_view, const char16_t*>> rows) {
  ReservedWords result;
  for (const auto& [word, description] : rows) {
    static_cast<void>(result.words->Add(value::Variant::FromText(std::u16string(word))));
    if (description != nullptr) {
      static_cast<void>(
          result.descriptions->Add(value::Variant::FromText(description), std::u16string(word)));
    }
  }
  return result;
}

// The titles of the recorded boxes, in order, joined by " | ".
inline std::string BoxTitles(const ui::RecordingMessageBoxes& boxes) {
  std::string out;
  for (const auto& box : boxes.Boxes()) {
    if (!out.empty()) out += " | ";
    for (const char16_t c : box.title) out += static_cast<char>(c < 0x80 ? c : '?');
  }
  return out;
}

// The first line of the call stack in an "Unexpected Program Error" box: the
// line after "Error Call Stack Sequence ", without its TAB.
inline std::u16string ReportedProcedure(const ui::RecordingMessageBoxes::Event& box) {
  const std::u16string_view marker = u"Error Call Stack Sequence \r\n\t";
  const std::size_t at = box.text.find(marker);
  if (at == std::u16string::npos) return u"";
  const std::size_t start = at + marker.size();
  return box.text.substr(start, box.text.find(u"\r\n", start) - start);
}

}  // namespace pelt::builder::testing
