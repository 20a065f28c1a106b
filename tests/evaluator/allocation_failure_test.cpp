// Fails one memory allocation at a time inside VerifyExpression, at every
// position in turn. This binary replaces the global operator new.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/ui/message_boxes.h"
#include "support/dump.h"
#include "support/recording_message_boxes.h"

namespace {

// Allocations left before the one that fails; 0 when none is armed.
thread_local long t_allocations_left = 0;

}  // namespace

// The replacement pairs malloc with free; GCC cannot see that through inlined
// standard allocators.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (t_allocations_left > 0 && --t_allocations_left == 0) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace pelt::evaluator {
namespace {

using testing::U8;

TEST(AllocationFailureTest, EveryFailedAllocationEndsInAMessage) {
  testing::RecordingMessageBoxes boxes;
  ui::ScopedMessageBoxes scope(boxes);
  host::MemoryTable table({{u"NAME", host::FieldType::kString}});
  PeltExpressionEvaluator evaluator;
  evaluator.ShowMessages(kTrue);
  const std::u16string expression =
      u"Page of the atlas [NAME].Replace(old text,new text).Left(2) $$PAGE_NUMBER trailing text";

  const std::string passed_up =
      "\tEvaluateText2 PeltExpressions:PeltExpressionEvaluator \r\n"
      "\r\nError Number \r\n\t7\r\nDescription\r\n\tOut of memory\r\n\r\n";
  bool saw_pass_up = false;
  bool completed = false;
  for (long n = 1; n < 100000 && !completed; ++n) {
    SCOPED_TRACE(n);
    t_allocations_left = n;
    const Boolean result = evaluator.VerifyExpression(&table, expression);
    completed = t_allocations_left > 0;  // every allocation succeeded
    t_allocations_left = 0;
    if (completed) {
      EXPECT_EQ(result, kTrue);
      break;
    }
    const std::string message = U8(evaluator.Message());
    EXPECT_EQ(result, kFalse);
    EXPECT_FALSE(message.empty()) << "a failure leaves a message";
    if (message == passed_up) saw_pass_up = true;
  }
  EXPECT_TRUE(completed);
  EXPECT_TRUE(saw_pass_up) << "no allocation failed inside the text scanner";
  EXPECT_EQ(evaluator.VerifyExpression(&table, expression), kTrue);
  EXPECT_EQ(U8(evaluator.Message()), "Successfully created formatting statement");
}

}  // namespace
}  // namespace pelt::evaluator
