#pragma once

#include "pelt/ui/message_boxes.h"

namespace pelt::builder {

// The component's message boxes as Qt message boxes: the icon of the style
// (critical, warning, information), the title, the text shown as plain text
// and a single OK button; the beep is the application's. Without a
// QApplication (a host that has no user interface) the boxes go to standard
// error instead.
class QtMessageBoxes final : public ui::MessageBoxes {
 public:
  void Show(std::u16string_view text, std::u16string_view title,
            ui::MessageBoxStyle style) override;
  void Beep() override;

 private:
  ui::ConsoleMessageBoxes console_;
};

}  // namespace pelt::builder
