#include "pelt/errors/error_handling.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "pelt/ui/message_boxes.h"
#include "support/dump.h"

namespace pelt::errors {
namespace {

using testing::U8;
using ui::RecordingMessageBoxes;

constexpr ProcedureSite kFormLoad{u"Form_Load ", u"PeltExpressions:frmExpressionBuilder"};
constexpr ProcedureSite kEvaluateText2{u"EvaluateText2 ", u"PeltExpressions:PeltExpressionEvaluator"};

const std::u16string kHeader =
    u"An error has occured in the application.   Record the call stack sequence\r\n"
    u"and the description of the error.\r\n\r\n"
    u"Error Call Stack Sequence \r\n\t";

std::u16string Block(std::u16string_view number, std::u16string_view description) {
  return u"\r\nError Number \r\n\t" + std::u16string(number) + u"\r\nDescription\r\n\t" +
         std::u16string(description) + u"\r\n\r\n";
}

// Runs a failing body under GuardProcedure and returns what was shown.
class ErrorHandlingTest : public ::testing::Test {
 protected:
  RecordingMessageBoxes boxes_;
  ui::ScopedMessageBoxes scope_{boxes_};
};

TEST_F(ErrorHandlingTest, LineLabel) {
  EXPECT_EQ(ErrorHandling::LineLabel(0), u"");
  EXPECT_EQ(ErrorHandling::LineLabel(12), u"Line : 12");
  EXPECT_EQ(ErrorHandling::LineLabel(-3), u"Line : -3");
}

TEST_F(ErrorHandlingTest, ReportShownHereHasCallStackAndBlock) {
  struct Row {
    int line;
    std::int32_t number;
    std::int32_t line_number;
    std::u16string_view call_stack;
    std::u16string_view number_text;
  } rows[] = {
      {__LINE__, 5, 0, u"Form_Load PeltExpressions:frmExpressionBuilder ", u"5"},
      {__LINE__, 5, 12, u"Form_Load PeltExpressions:frmExpressionBuilder Line : 12", u"5"},
      {__LINE__, -2147221504, 0, u"Form_Load PeltExpressions:frmExpressionBuilder ",
       u"-2147221504"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    boxes_.Clear();
    ErrorHandling::ReportError(true, CallStackLine(kFormLoad, row.line_number), row.number,
                               u"Source", u"Something broke");
    ASSERT_EQ(boxes_.events().size(), 2u);
    EXPECT_EQ(boxes_.events()[0].kind, RecordingMessageBoxes::Event::Kind::kBeep);
    const auto& box = boxes_.events()[1];
    EXPECT_EQ(U8(box.title), "Unexpected Program Error");
    EXPECT_EQ(box.style, ui::MessageBoxStyle::kExclamation);
    EXPECT_EQ(U8(box.text), U8(kHeader + std::u16string(row.call_stack) + u"\r\n" +
                               Block(row.number_text, u"Something broke")));
    EXPECT_FALSE(ErrorHandling::DescriptionFormatted());
  }
}

TEST_F(ErrorHandlingTest, PassUpPrefixesTheCallStackAndFormatsOnce) {
  Status passed;
  try {
    GuardProcedure(kEvaluateText2, OnFailure::kPassUp,
                   [] { Raise(Status(13, u"Src", u"Type mismatch")); });
    FAIL() << "a pass-up must raise";
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

  // The next report shown on this thread carries the description as it is,
  // without a second block, and clears the flag…
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Raise(Status(5, u"S", u"plain")); });
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(U8(boxes_.Boxes()[0].text),
            U8(kHeader + u"Form_Load PeltExpressions:frmExpressionBuilder \r\nplain"));
  EXPECT_FALSE(ErrorHandling::DescriptionFormatted());

  // …so the one after that has the block again.
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Raise(Status(5, u"S", u"plain")); });
  EXPECT_EQ(U8(boxes_.Boxes()[1].text), U8(kHeader +
                                            u"Form_Load PeltExpressions:frmExpressionBuilder \r\n" +
                                            Block(u"5", u"plain")));
}

TEST_F(ErrorHandlingTest, NestedPassUpsListOutermostFirst) {
  constexpr ProcedureSite kOuter{u"Outer ", u"M"};
  constexpr ProcedureSite kInner{u"Inner ", u"M"};
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [&] {
    GuardProcedure(kOuter, OnFailure::kPassUp, [&] {
      GuardProcedure(kInner, OnFailure::kPassUp, [] { Raise(Status(9, u"S", u"deep")); });
    });
  });
  ASSERT_EQ(boxes_.Boxes().size(), 1u);
  EXPECT_EQ(U8(boxes_.Boxes()[0].text),
            U8(kHeader + u"Form_Load PeltExpressions:frmExpressionBuilder \r\n" +
               u"\tOuter M \r\n\tInner M \r\n" + Block(u"9", u"deep")));
}

TEST_F(ErrorHandlingTest, ForeignExceptionsBecomeFailures) {
  struct Row {
    int line;
    void (*body)();
    const char* number;
    const char* description;
  } rows[] = {
      {__LINE__, [] { throw std::bad_alloc(); }, "7", "Out of memory"},
      {__LINE__, [] { throw std::runtime_error("disk gone"); }, "51", "disk gone"},
      {__LINE__, [] { throw 42; }, "51", "Internal error"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    boxes_.Clear();
    GuardProcedure(kFormLoad, OnFailure::kShowHere, row.body);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    const std::string text = U8(boxes_.Boxes()[0].text);
    EXPECT_NE(text.find(std::string("Error Number \r\n\t") + row.number + "\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(std::string("Description\r\n\t") + row.description + "\r\n"),
              std::string::npos);
  }
}

TEST_F(ErrorHandlingTest, ShowHereLetsTheCallerCarryOnWithWhatWasSet) {
  int result = 1;
  GuardProcedure(kFormLoad, OnFailure::kShowHere, [&] {
    result = 2;
    Raise(Status(5, u"S", u"x"));
  });
  EXPECT_EQ(result, 2);
}

TEST_F(ErrorHandlingTest, FlagBelongsToEachThread) {
  // Leave this thread's flag set by a pass-up that nobody reports…
  try {
    GuardProcedure(kEvaluateText2, OnFailure::kPassUp, [] { Raise(Status(1, u"S", u"a")); });
  } catch (const Failure&) {
  }
  ASSERT_TRUE(ErrorHandling::DescriptionFormatted());

  // …another thread still starts with a clear flag and formats its report.
  bool other_flag_before = true;
  std::u16string other_text;
  std::thread other([&] {
    RecordingMessageBoxes other_boxes;
    ui::ScopedMessageBoxes scope(other_boxes);
    other_flag_before = ErrorHandling::DescriptionFormatted();
    GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Raise(Status(2, u"S", u"b")); });
    other_text = other_boxes.Boxes().at(0).text;
  });
  other.join();
  EXPECT_FALSE(other_flag_before);
  EXPECT_NE(U8(other_text).find("Error Number "), std::string::npos);
  EXPECT_TRUE(ErrorHandling::DescriptionFormatted());  // untouched by the other thread
  EXPECT_TRUE(boxes_.Boxes().empty());                  // its box went to its own recorder

  GuardProcedure(kFormLoad, OnFailure::kShowHere, [] { Raise(Status(3, u"S", u"c")); });
  EXPECT_FALSE(ErrorHandling::DescriptionFormatted());
}

}  // namespace
}  // namespace pelt::errors
