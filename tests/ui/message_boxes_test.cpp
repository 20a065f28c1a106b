#include "pelt/ui/message_boxes.h"

#include <gtest/gtest.h>

#include <memory>
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
  std::ostringstream installed, outer, inner;
  SetMessageBoxes(std::make_shared<ConsoleMessageBoxes>(installed));
  {
    ConsoleMessageBoxes outer_boxes(outer);
    ConsoleMessageBoxes inner_boxes(inner);
    ScopedMessageBoxes outer_scope(outer_boxes);
    ActiveMessageBoxes().Show(u"1", u"a", MessageBoxStyle::kInformation);
    {
      ScopedMessageBoxes inner_scope(inner_boxes);
      ActiveMessageBoxes().Beep();
    }
    ActiveMessageBoxes().Show(u"2", u"b", MessageBoxStyle::kExclamation);
  }
  // Without an override, every thread reaches the installed implementation.
  ActiveMessageBoxes().Show(u"3", u"c", MessageBoxStyle::kCritical);
  SetMessageBoxes(nullptr);
  EXPECT_EQ(outer.str(), "[information] a\n1\n[OK]\n[warning] b\n2\n[OK]\n");
  EXPECT_EQ(inner.str(), "\a");
  EXPECT_EQ(installed.str(), "[error] c\n3\n[OK]\n");
}

}  // namespace
}  // namespace pelt::ui
