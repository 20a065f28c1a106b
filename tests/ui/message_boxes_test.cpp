#include "pelt/ui/message_boxes.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace pelt::ui {
namespace {

// Console boxes write each box as a framed block (CR LF becomes a newline,
// one ends the text) and never wait; overrides nest per thread, and without
// one every thread reaches the installed implementation.
TEST(MessageBoxesTest, ConsoleBoxesShowWhereTheScopedOrInstalledOneSendsThem) {
  std::ostringstream installed, outer, inner;
  SetMessageBoxes(std::make_shared<ConsoleMessageBoxes>(installed));
  {
    ConsoleMessageBoxes outer_boxes(outer);
    ConsoleMessageBoxes inner_boxes(inner);
    ScopedMessageBoxes outer_scope(outer_boxes);
    ActiveMessageBoxes().Show(u"Labeling Instructions:\r\n", u"Valid Expression",
                              MessageBoxStyle::kInformation);
    {
      ScopedMessageBoxes inner_scope(inner_boxes);
      ActiveMessageBoxes().Beep();
    }
    ActiveMessageBoxes().Show(u"2", u"b", MessageBoxStyle::kExclamation);
  }
  ActiveMessageBoxes().Show(u"Field \"A\" does not exist\r\nsecond line", u"Invalid Expression!",
                            MessageBoxStyle::kCritical);
  SetMessageBoxes(nullptr);
  EXPECT_EQ(outer.str(),
            "[information] Valid Expression\nLabeling Instructions:\n[OK]\n[warning] b\n2\n[OK]\n");
  EXPECT_EQ(inner.str(), "\a");
  EXPECT_EQ(installed.str(),
            "[error] Invalid Expression!\nField \"A\" does not exist\nsecond line\n[OK]\n");
}

}  // namespace
}  // namespace pelt::ui
