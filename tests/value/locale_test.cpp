#include "pelt/value/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/dump.h"

namespace pelt::value {
namespace {

using testing::U8;

// What each locale's data holds shows in the golden files of
// tests/data/format.
TEST(LocaleTest, SameIdGivesTheSameSharedDataAndUnknownLanguagesAreKnown) {
  EXPECT_EQ(&LocaleDataFor("de_DE"), &LocaleDataFor("de-DE.UTF-8"));
  EXPECT_TRUE(IsKnownLocale("de_DE"));
  EXPECT_TRUE(IsKnownLocale("fr"));
  EXPECT_FALSE(IsKnownLocale("xx_YY"));
  EXPECT_FALSE(IsKnownLocale("!!"));
}

// The first of LC_ALL, LC_NUMERIC and LANG that is set and not empty, as a
// canonical id.
TEST(LocaleTest, EnvironmentPrecedenceAndCanonicalIds) {
  struct Row {
    int line;
    const char* lc_all;
    const char* lc_numeric;
    const char* lang;
    const char* expected;
  } rows[] = {
      {__LINE__, "de_DE.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8", "de_DE"},
      {__LINE__, "", "fr_FR.UTF-8", "en_GB.UTF-8", "fr_FR"},
      {__LINE__, nullptr, nullptr, "en_GB.UTF-8", "en_GB"},
      {__LINE__, nullptr, nullptr, nullptr, "en_US"},
      {__LINE__, "C", nullptr, "de_DE", "en_US"},
      {__LINE__, nullptr, nullptr, "de-DE", "de_DE"},
      {__LINE__, nullptr, nullptr, "de_DE.UTF-8@euro", "de_DE"},
      {__LINE__, nullptr, nullptr, "POSIX", "en_US"},
      {__LINE__, nullptr, nullptr, "C.UTF-8", "en_US"},
      {__LINE__, nullptr, nullptr, "", "en_US"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const auto set = [](const char* name, const char* value) {
      return value == nullptr ? unsetenv(name) : setenv(name, value, 1);
    };
    set("LC_ALL", row.lc_all);
    set("LC_NUMERIC", row.lc_numeric);
    set("LANG", row.lang);
    EXPECT_EQ(LocaleIdFromEnvironment(), row.expected);
  }
}

TEST(LocaleTest, OverrideAppliesToEveryThread) {
  SetUserLocaleOverride("de_DE");
  std::vector<std::string> seen(4);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = UserLocale().name; });
  }
  for (std::thread& t : threads) t.join();
  for (const std::string& name : seen) EXPECT_EQ(name, "de_DE");
  SetUserLocaleOverride("ja_JP");
  EXPECT_EQ(UserLocale().name, "ja_JP");
  ClearUserLocaleOverride();
}

}  // namespace
}  // namespace pelt::value
