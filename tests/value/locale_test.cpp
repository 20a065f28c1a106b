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

// A locale is known when ICU has its language and the script and region it
// names, whatever spelling the id has.
TEST(LocaleTest, KnownLocalesNeedTheirRegionToo) {
  struct Row {
    int line;
    const char* id;
    bool known;
  } rows[] = {
      {__LINE__, "de", true},          {__LINE__, "de_DE", true},
      {__LINE__, "de-AT.UTF-8", true}, {__LINE__, "zh_CN", true},  // listed as zh_Hans_CN
      {__LINE__, "sr_RS", true},       {__LINE__, "sr_Latn", true},
      {__LINE__, "es_419", true},      {__LINE__, "en_US_POSIX", true},
      {__LINE__, "C", true},           {__LINE__, "en_UK", false},
      {__LINE__, "de_US", false},      {__LINE__, "de_Cyrl", false},
      {__LINE__, "xx_YY", false},      {__LINE__, "deu", true},  // ICU reads it as de
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(IsKnownLocale(row.id), row.known);
  }
}

TEST(LocaleTest, NearestKnownLocalesForAnUnknownOne) {
  struct Row {
    int line;
    const char* id;
    std::vector<std::string> nearest;
  } rows[] = {
      // ICU's canonical form: a retired region or language code.
      {__LINE__, "en_UK", {"en_GB"}},
      {__LINE__, "en-uk.UTF-8", {"en_GB"}},
      {__LINE__, "iw_IL", {"he_IL"}},
      {__LINE__, "de_DD", {"de_DE"}},
      // A known language: its usual region, then regions a letter away.
      {__LINE__, "de_US", {"de_DE"}},
      {__LINE__, "de_AU", {"de_DE", "de_AT", "de_LU"}},
      {__LINE__, "pt_US", {"pt_BR"}},
      {__LINE__, "de_Cyrl", {"de_DE"}},
      // A misspelt language.
      {__LINE__, "dd_DE", {"de_DE"}},
      {__LINE__, "fx_FR", {"fr_FR"}},
      // Nothing near, or too much alike to choose.
      {__LINE__, "xx_YY", {}},
      {__LINE__, "!!", {}},
      {__LINE__, "q", {}},
      // Known: nothing to suggest.
      {__LINE__, "de_DE", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(NearestKnownLocales(row.id), row.nearest);
    for (const std::string& id : row.nearest) EXPECT_TRUE(IsKnownLocale(id)) << id;
  }
}

// ICU gives a language alone the currency code XXX and a stand-in symbol.
TEST(LocaleTest, ALanguageWithoutRegionHasNoCurrency) {
  struct Row {
    int line;
    const char* id;
    bool own_currency;
    const char* symbol;
    const char* with_region;
  } rows[] = {
      {__LINE__, "de", false, "XXX", "de_DE"},
      {__LINE__, "fr", false, "\u00a4", "fr_FR"},
      {__LINE__, "de_DE", true, "\u20ac", "de_DE"},
      {__LINE__, "ja_JP", true, "\uffe5", "ja_JP"},
      {__LINE__, "sr_Latn", false, "\u00a4", "sr_Latn_RS"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const LocaleData& locale = LocaleDataFor(row.id);
    EXPECT_EQ(HasOwnCurrency(locale), row.own_currency);
    EXPECT_EQ(U8(locale.currency_symbol), row.symbol);
    EXPECT_EQ(LocaleWithRegion(row.id), row.with_region);
  }
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
