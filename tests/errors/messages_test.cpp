// The message table is well formed: every id has a name and a text, and no
// text is written twice (a shared text is one row used from several places).
// The texts themselves are checked where they are shown.

#include "errors/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace pelt::errors {
namespace {

TEST(MessagesTest, EveryRowHasItsOwnNameAndText) {
  std::set<std::string_view> names;
  std::set<std::u16string_view> texts;
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    const auto id = static_cast<MessageId>(i);
    SCOPED_TRACE(MessageIdName(id));
    EXPECT_TRUE(MessageIdName(id).starts_with("k"));
    EXPECT_TRUE(names.insert(MessageIdName(id)).second) << "name appears twice";
    EXPECT_FALSE(MessageText(id).empty());
    EXPECT_TRUE(texts.insert(MessageText(id)).second) << "text appears twice";
    // Line breaks are the code's business: a row holds one line.
    EXPECT_EQ(MessageText(id).find_first_of(u"\r\n\t"), std::u16string_view::npos);
  }
}

}  // namespace
}  // namespace pelt::errors
