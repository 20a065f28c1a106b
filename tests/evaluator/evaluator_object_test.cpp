#include "pelt/evaluator/pelt_expression_evaluator.h"

#include <gtest/gtest.h>

#include <memory>

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

TEST(EvaluatorObjectTest, ShowMessagesCrossesAsSixteenBitBoolean) {
  struct Row {
    int line;
    Boolean written;
    Boolean read;
  } rows[] = {
      {__LINE__, kTrue, -1},
      {__LINE__, kFalse, 0},
      {__LINE__, 1, -1},  // any non-zero value is true
      {__LINE__, 0x7FFF, -1},
  };
  PeltExpressionEvaluator evaluator;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    evaluator.ShowMessages(row.written);
    EXPECT_EQ(evaluator.ShowMessages(), row.read);
  }
}

TEST(EvaluatorObjectTest, UsableThroughTheDefaultInterface) {
  std::unique_ptr<_PeltExpressionEvaluator> object = std::make_unique<PeltExpressionEvaluator>();
  object->ShowMessages(kTrue);
  EXPECT_EQ(object->ShowMessages(), kTrue);
  EXPECT_EQ(object->Message(), u"");
}

}  // namespace
}  // namespace pelt::evaluator
