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

TEST(LocaleTest, CanonicalIdsFromPosixAndBcp47Names) {
  struct Row {
    int line;
    const char* input;
    const char* canonical;
  } rows[] = {
      {__LINE__, "de_DE.UTF-8", "de_DE"},
      {__LINE__, "de-DE", "de_DE"},
      {__LINE__, "de_DE.UTF-8@euro", "de_DE"},
      {__LINE__, "fr_FR@euro", "fr_FR"},
      {__LINE__, "C", "en_US"},
      {__LINE__, "POSIX", "en_US"},
      {__LINE__, "C.UTF-8", "en_US"},
      {__LINE__, "", "en_US"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(CanonicalLocaleId(row.input), row.canonical);
  }
}

TEST(LocaleTest, DataComesFromIcu) {
  struct Row {
    int line;
    const char* id;
    std::u16string_view decimal;
    std::u16string_view group;
    std::u16string_view currency_symbol;
    int currency_digits;
    DateOrder order;
    std::u16string_view january;
    std::u16string_view monday_abbreviation;
  } rows[] = {
      {__LINE__, "en_US", u".", u",", u"$", 2, DateOrder::kMonthDayYear, u"January", u"Mon"},
      {__LINE__, "de_DE", u",", u".", u"€", 2, DateOrder::kDayMonthYear, u"Januar", u"Mo."},
      {__LINE__, "en_GB", u".", u",", u"£", 2, DateOrder::kDayMonthYear, u"January", u"Mon"},
      {__LINE__, "ja_JP", u".", u",", u"￥", 0, DateOrder::kYearMonthDay, u"1月", u"月"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const LocaleData& data = LocaleDataFor(row.id);
    EXPECT_EQ(U8(data.decimal_separator), U8(row.decimal));
    EXPECT_EQ(U8(data.group_separator), U8(row.group));
    EXPECT_EQ(U8(data.currency_symbol), U8(row.currency_symbol));
    EXPECT_EQ(data.currency_digits, row.currency_digits);
    EXPECT_EQ(data.date_order, row.order);
    EXPECT_EQ(U8(data.month_names[0]), U8(row.january));
    EXPECT_EQ(U8(data.day_abbreviations[1]), U8(row.monday_abbreviation));
  }
}

TEST(LocaleTest, SameIdGivesTheSameSharedData) {
  EXPECT_EQ(&LocaleDataFor("de_DE"), &LocaleDataFor("de-DE.UTF-8"));
}

TEST(LocaleTest, KnownAndUnknownLanguages) {
  EXPECT_TRUE(IsKnownLocale("de_DE"));
  EXPECT_TRUE(IsKnownLocale("fr"));
  EXPECT_FALSE(IsKnownLocale("xx_YY"));
  EXPECT_FALSE(IsKnownLocale("!!"));
}

TEST(LocaleTest, EnvironmentPrecedence) {
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
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const auto set = [](const char* name, const char* value) {
      if (value == nullptr) {
        unsetenv(name);
      } else {
        setenv(name, value, 1);
      }
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
