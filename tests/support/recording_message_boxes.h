#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pelt/ui/message_boxes.h"

namespace pelt::testing {

// Remembers every box and beep, in order.
class RecordingMessageBoxes final : public ui::MessageBoxes {
 public:
  struct Event {
    enum class Kind { kBox, kBeep } kind;
    std::u16string text;
    std::u16string title;
    ui::MessageBoxStyle style = ui::MessageBoxStyle::kCritical;
  };
  void Show(std::u16string_view text, std::u16string_view title,
            ui::MessageBoxStyle style) override {
    events_.push_back(Event{Event::Kind::kBox, std::u16string(text), std::u16string(title), style});
  }
  void Beep() override { events_.push_back(Event{Event::Kind::kBeep, {}, {}, {}}); }

  const std::vector<Event>& events() const { return events_; }
  // Only the boxes, without the beeps.
  std::vector<Event> Boxes() const {
    std::vector<Event> boxes;
    for (const Event& e : events_) {
      if (e.kind == Event::Kind::kBox) boxes.push_back(e);
    }
    return boxes;
  }
  void Clear() { events_.clear(); }

 private:
  std::vector<Event> events_;
};

}  // namespace pelt::testing
