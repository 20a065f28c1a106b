#include "pelt/ui/message_boxes.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pelt::ui {
namespace {

TEST(MessageBoxesTest, ConsoleWritesTheBoxAndNeverWaits) {
  std::ostringstream out;
  ConsoleMessageBoxes console(out);
  console.Show(u"Field \"A\" does not exist\r\nsecond line", u"Invalid Expression!",
               MessageBoxStyle::kCritical);
  console.Show(u"Labeling Instructions:\r\n", u"Valid Expression", MessageBoxStyle::kInformation);
  console.Beep();
  EXPECT_EQ(out.str(),
            "[error] Invalid Expression!\nField \"A\" does not exist\nsecond line\n[OK]\n"
            "[information] Valid Expression\nLabeling Instructions:\n[OK]\n\a");
}

TEST(MessageBoxesTest, ScopedOverridesNestAndFallBackToTheInstalledOne) {
  auto installed = std::make_shared<RecordingMessageBoxes>();
  SetMessageBoxes(installed);
  RecordingMessageBoxes outer;
  RecordingMessageBoxes inner;
  {
    ScopedMessageBoxes outer_scope(outer);
    ActiveMessageBoxes().Show(u"1", u"t", MessageBoxStyle::kInformation);
    {
      ScopedMessageBoxes inner_scope(inner);
      ActiveMessageBoxes().Beep();
    }
    ActiveMessageBoxes().Show(u"2", u"t", MessageBoxStyle::kExclamation);
  }
  // Without an override, every thread reaches the installed implementation.
  ActiveMessageBoxes().Show(u"x", u"y", MessageBoxStyle::kCritical);
  SetMessageBoxes(nullptr);
  ASSERT_EQ(outer.Boxes().size(), 2u);
  EXPECT_EQ(outer.Boxes()[1].text, u"2");
  ASSERT_EQ(inner.events().size(), 1u);
  EXPECT_EQ(inner.events()[0].kind, RecordingMessageBoxes::Event::Kind::kBeep);
  EXPECT_EQ(installed->Boxes().size(), 1u);
}

}  // namespace
}  // namespace pelt::ui
