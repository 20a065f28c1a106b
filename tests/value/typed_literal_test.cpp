#include "pelt/value/typed_literal.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pelt::value {
namespace {

// What a value written without its type, or with a slip in it, stands for.
TEST(SuggestTypedLiteralTest, GivesTheTypeTheTextReadsAs) {
  struct Row {
    int line;
    const char* text;
    std::optional<std::string> suggestion;
  } rows[] = {
      {__LINE__, "1234.5", "num:1234.5"},
      {__LINE__, "-2", "num:-2"},
      {__LINE__, "2026-01-05", "date:2026-01-05"},
      {__LINE__, "2026-01-05T13:04:09", "date:2026-01-05T13:04:09"},
      {__LINE__, "13:04:09", "time:13:04:09"},
      {__LINE__, "true", "bool:true"},
      {__LINE__, "any text", "str:any text"},
      {__LINE__, "12:30", "str:12:30"},
      {__LINE__, "2026-02-30", "str:2026-02-30"},
      {__LINE__, "", "str:"},
      // A slip in the type.
      {__LINE__, "nmu:1", "num:1"},
      {__LINE__, "dat:2026-01-05", "date:2026-01-05"},
      {__LINE__, "nmu:x", "str:nmu:x"},
      // The type is right, the value is not: nothing to suggest.
      {__LINE__, "num:abc", std::nullopt},
      {__LINE__, "date:2026-02-30", std::nullopt},
      {__LINE__, "bool:yes", std::nullopt},
      // Already a typed literal.
      {__LINE__, "str:abc", std::nullopt},
      {__LINE__, "num:1", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::optional<std::string> suggestion = SuggestTypedLiteral(row.text);
    EXPECT_EQ(suggestion, row.suggestion);
    if (suggestion) {
      EXPECT_TRUE(ParseTypedLiteral(*suggestion).has_value());
    }
  }
}

}  // namespace
}  // namespace pelt::value
