#include "language/messages.h"

#include <set>

#include <gtest/gtest.h>

namespace pelt::language {
namespace {

// The texts themselves are checked where users meet them; here, that the
// table is whole: every id has a name and a text of its own.
TEST(MessagesTest, TableIsWellFormed) {
  std::set<std::u16string_view> texts;
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    const auto id = static_cast<MessageId>(i);
    SCOPED_TRACE(MessageIdName(id));
    EXPECT_FALSE(MessageText(id).empty());
    EXPECT_TRUE(texts.insert(MessageText(id)).second) << "text appears twice";
    EXPECT_TRUE(names.insert(MessageIdName(id)).second) << "name appears twice";
  }
}

}  // namespace
}  // namespace pelt::language
