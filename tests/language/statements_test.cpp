#include "pelt/language/statements.h"

#include <gtest/gtest.h>

#include <set>

#include "pelt/value/typed_literal.h"
#include "support/dump.h"

namespace pelt::language {
namespace {

using testing::U8;

// What each statement does is checked through the parser, ApplyFormat and
// the builder; here, that its row is consistent with itself.
TEST(StatementsTest, TableIsWellFormed) {
  std::set<std::u16string_view> names;
  std::size_t index = 0;
  for (const StatementInfo& info : Statements()) {
    SCOPED_TRACE(U8(info.name));
    EXPECT_EQ(static_cast<std::size_t>(info.id), ++index) << "ids follow the rows";
    EXPECT_TRUE(names.insert(info.name).second) << "name appears twice";
    EXPECT_EQ(StatementByName(info.name), info.id);
    EXPECT_EQ(StatementName(info.id), info.name);
    const std::string entry = U8(info.catalogue_entry);
    EXPECT_EQ(entry.rfind("." + U8(info.name), 0), 0u);
    EXPECT_EQ(U8(info.description).rfind(entry + ": ", 0), 0u);
    // A malformed statement's message quotes its catalogue entry.
    const bool takes_arguments = info.arguments != StatementArguments::kNone;
    EXPECT_EQ(U8(info.improper_message),
              takes_arguments ? "Improper \"" + entry + "\" formatting statement after [" : "");
    EXPECT_TRUE(info.unclosed_message.empty() || takes_arguments);
    EXPECT_TRUE(value::ParseTypedLiteral(info.example_value).has_value());
    EXPECT_EQ(U8(info.example).rfind("." + U8(info.name), 0), 0u);
  }
  EXPECT_EQ(index, kStatementCount);
  EXPECT_EQ(StatementName(StatementId::kNone), u"NONE");
  EXPECT_FALSE(StatementByName(u"NONE").has_value());
}

}  // namespace
}  // namespace pelt::language
