#include <gtest/gtest.h>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/ui/message_boxes.h"

namespace pelt::evaluator {
namespace {

TEST(EvaluatorObjectTest, NewObjectHasItsInitialState) {
  ui::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  PeltExpressionEvaluator evaluator;
  EXPECT_EQ(evaluator.ShowMessages(), kFalse);
  EXPECT_EQ(evaluator.Message(), u"");
  EXPECT_TRUE(evaluator.Tokens().empty());
  EXPECT_TRUE(boxes.events().empty());
}

}  // namespace
}  // namespace pelt::evaluator
