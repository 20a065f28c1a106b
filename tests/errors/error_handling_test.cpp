// The call-stack convention: the report shown here, the pass-up with its
// formatted block added once, foreign exceptions (allocation failure
// included), and the per-thread flag.

#include "pelt/errors/error_handling.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>

#include "pelt/ui/message_boxes.h"
#include "support/dump.h"
#include "support/recording_message_boxes.h"

namespace pelt::errors {
namespace {

using testing::RecordingMessageBoxes;
using testing::U8;

constexpr ProcedureSite kFormLoad{u"Form_Load ", u"PeltExpressions:frmExpressionBuilder"};
constexpr ProcedureSite kEvaluateText2{u"EvaluateText2 ",
                                       u"PeltExpressions:PeltExpressionEvaluator"};

// The report box's text down to the first call-stack line.
std::u16string Header(std::u16string_view call_stack) {
  return u"An error has occured in the application.   Record the call stack sequence\r\n"
         u"and the description of the error.\r\n\r\n"
         u"Error Call Stack Sequence \r\n\t" +
         std::u16string(call_stack) + u"\r\n";
}

std::u16string Block(std::u16string_view number, std::u16string_view description) {
  return u"\r\nError Number \r\n\t" + std::u16string(number) + u"\r\nDescription\r\n\t" +
         std::u16string(description) + u"\r\n\r\n";
}

void Fail(std::int32_t number, std::u16string description) {
  Raise(Status(number, u"Src", std::move(description)));
}

class ErrorHandlingTest : public ::testing::Test {
 protected:
  std::string LastBox() const { return U8(boxes_.Boxes().back().text); }
  RecordingMessageBoxes boxes_;
  ui::ScopedMessageBoxes scope_{boxes_};
};

TEST_F(ErrorHandlingTest, ReportShownHereBeepsThenShowsCallStackAndBlock) {
  const struct {
    std::int32_t number;
    std::int32_t line_number;
    std::u16string_view call_stack;
    std::u16string_view number_text;
  } rows[] = {
      {5, 0, u"Form_Load PeltExpressions:frmExpressionBuilder ", u"5"},
      {5, 12, u"Form_Load PeltExpressions:frmExpressionBuilder Line : 12", u"5"},
      {-2147221504, -3, u"Form_Load PeltExpressions:frmExpressionBuilder Line : -3",
       u"-2147221504"},
  };
  for (const auto& row : rows) {
    boxes_.Clear();
    ErrorHandling::ReportError(true, CallStackLine(kFormLoad, row.line_number), row.number,
                               u"Source", u"Something broke");
    ASSERT_EQ(boxes_.events().size(), 2u);
    EXPECT_EQ(boxes_.events()[0].kind, RecordingMessageBoxes::Event::Kind::kBeep);
    EXPECT_EQ(U8(boxes_.events()[1].title), "Unexpected Program Error");
    EXPECT_EQ(boxes_.events()[1].style, ui::MessageBoxStyle::kExclamation);
    EXPECT_EQ(LastBox(), U8(Header(row.call_stack) + Block(row.number_text, u"Something broke")));
    EXPECT_FALSE(ErrorHandling::DescriptionFormatted());
  }
}

TEST_F(ErrorHandlingTest, PassUpsPrefixTheirLinesAndFormatOnce) {
  Status passed;
  try {
    GuardProcedure(kEvaluateText2, OnFailure::kPassUp, [] { Fail(13, u"Type mismatch"); });
    ADD_FAILURE() << "a pass-up must raise";
  } catch (const Failure& failure) {
    passed = failure.status();
  }
  EXPECT_EQ(passed.number(), 13);
  EXPECT_EQ(U8(passed.source()), "Src");
  EXPECT_EQ(U8(passed.description()),
            U8(u"\tEvaluateText2 PeltExpressions:PeltExpressionEvaluator \r\n" +
               Block(u"13", u"Type mismatch")));
  EXPECT_TRUE(ErrorHandling::DescriptionFormatted());
  EXPECT_TRUE(boxes_.events().empty());

  // The next report shown on this thread carries its description as it is,
  // without a block, and clears the flag…
  const std::u16string form_load = u"Form_Load PeltExpressions:frmExpressionBuilder ";
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Fail(5, u"plain"); });
  EXPECT_EQ(LastBox(), U8(Header(form_load) + u"plain"));
  EXPECT_FALSE(ErrorHandling::DescriptionFormatted());

  // …so a chain after that has the block once, under every level's line,
  // outermost first.
  constexpr ProcedureSite kOuter{u"Outer ", u"M"};
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [&] {
    GuardProcedure(kOuter, OnFailure::kPassUp, [&] {
      GuardProcedure(kEvaluateText2, OnFailure::kPassUp, [] { Fail(9, u"deep"); });
    });
  });
  EXPECT_EQ(LastBox(), U8(Header(form_load) + u"\tOuter M \r\n" +
                          u"\tEvaluateText2 PeltExpressions:PeltExpressionEvaluator \r\n" +
                          Block(u"9", u"deep")));
}

TEST_F(ErrorHandlingTest, ForeignExceptionsAreReportedAndTheCallerCarriesOn) {
  const struct {
    void (*body)();
    const char* number;
    const char* description;
  } rows[] = {
      {[] { throw std::bad_alloc(); }, "7", "Out of memory"},
      {[] { throw std::runtime_error("disk gone"); }, "51", "disk gone"},
      {[] { throw 42; }, "51", "Internal error"},
  };
  for (const auto& row : rows) {
    int result = 1;
    GuardProcedure(kFormLoad, OnFailure::kShowHere, [&] {
      result = 2;
      row.body();
    });
    EXPECT_EQ(result, 2);  // what the body set before the failure stays set
    EXPECT_NE(LastBox().find(std::string("Error Number \r\n\t") + row.number +
                             "\r\n"
                             "Description\r\n\t" +
                             row.description + "\r\n"),
              std::string::npos);
  }
}

TEST_F(ErrorHandlingTest, FlagBelongsToEachThread) {
  // Leave this thread's flag set by a pass-up that nobody reports…
  try {
    GuardProcedure(kEvaluateText2, OnFailure::kPassUp, [] { Fail(1, u"a"); });
  } catch (const Failure&) {
    // Expected: the pass-up leaves through here and is dropped on purpose.
  }
  ASSERT_TRUE(ErrorHandling::DescriptionFormatted());
  // …another thread still starts with a clear flag and formats its report.
  bool other_flag_before = true;
  std::u16string other_text;
  std::thread other([&] {
    RecordingMessageBoxes other_boxes;
    ui::ScopedMessageBoxes scope(other_boxes);
    other_flag_before = ErrorHandling::DescriptionFormatted();
    GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Fail(2, u"b"); });
    other_text = other_boxes.Boxes().at(0).text;
  });
  other.join();
  EXPECT_FALSE(other_flag_before);
  EXPECT_NE(U8(other_text).find("Error Number "), std::string::npos);
  EXPECT_TRUE(ErrorHandling::DescriptionFormatted());  // untouched by the other thread
  EXPECT_TRUE(boxes_.Boxes().empty());                 // its box went to its own recorder
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Fail(3, u"c"); });
  EXPECT_FALSE(ErrorHandling::DescriptionFormatted());
}

}  // namespace
}  // namespace pelt::errors
