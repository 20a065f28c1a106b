#include "pelt/errors/failure_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "pelt/errors/failure.h"
#include "pelt/value/error_code.h"

namespace pelt::errors {
namespace {

// Only std::bad_alloc is told as memory; every other failure keeps its own
// description, so a full disk or a library's error reaches the user as such.
TEST(FailureTextTest, NamesTheFailureInFlight) {
  const struct {
    int line;
    std::function<void()> raise;
    std::string text;
  } rows[] = {
      {__LINE__, [] { throw std::bad_alloc(); }, "out of memory"},
      {__LINE__,
       [] { throw std::system_error(std::make_error_code(std::errc::no_space_on_device)); },
       std::make_error_code(std::errc::no_space_on_device).message()},
      {__LINE__, [] { throw std::runtime_error("GDAL: the layer is gone"); },
       "GDAL: the layer is gone"},
      {__LINE__, [] { throw std::logic_error("index past the end"); }, "index past the end"},
      {__LINE__, [] { Raise(Status(5, u"pelt", u"Invalid procedure call")); },
       "Invalid procedure call"},
      {__LINE__, [] { throw 42; }, "an unexpected failure"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    std::string text;
    try {
      row.raise();
    } catch (...) {
      text = DescribeCurrentFailure();
    }
    EXPECT_EQ(text, row.text);
  }
}

}  // namespace
}  // namespace pelt::errors
