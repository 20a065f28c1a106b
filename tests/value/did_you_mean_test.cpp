#include "pelt/value/did_you_mean.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelt::value {
namespace {

TEST(DidYouMeanTest, ListsTheNamesInOneSentence) {
  struct Row {
    int line;
    std::vector<std::string> names;
    std::string text;
  } rows[] = {
      {__LINE__, {}, ""},
      {__LINE__, {"label"}, "; did you mean 'label'?"},
      {__LINE__, {"de_DE", "de_AT"}, "; did you mean 'de_DE' or 'de_AT'?"},
      {__LINE__, {"a", "b", "c"}, "; did you mean 'a', 'b' or 'c'?"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(DidYouMean(row.names), row.text);
  }
}

}  // namespace
}  // namespace pelt::value
