// Properties of the formatting functions that golden rows cannot show:
// extremes of the decimal form, the direct number rendering against ICU's
// in many locales, compiled pictures shared between threads, and bounded
// output for hostile pictures.
#include "pelt/format/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "format/icu_number_format.h"
#include "format/rounding.h"
#include "pelt/value/text.h"
#include "support/dump.h"

namespace pelt::format {
namespace {

using internal::Decimal;
using internal::RoundingMode;
using testing::U8;
using value::Converted;
using value::Date;
using value::LocaleData;
using value::LocaleDataFor;
using value::ToText;
using value::Variant;

std::string Ascii(const Decimal& d) { return internal::DecimalToAscii(d); }

// Extremes that no typed literal writes.
TEST(DecimalTest, ExtremesNeitherWrapNorKeepASign) {
  Decimal d = internal::DecimalFromDouble(-1e-300);
  internal::RoundDecimal(d, INT32_MAX, RoundingMode::kHalfAwayFromZero);
  EXPECT_EQ(Ascii(d), "-0." + std::string(299, '0') + "1");
  internal::RoundDecimal(d, INT32_MIN, RoundingMode::kHalfAwayFromZero);
  EXPECT_TRUE(d.IsZero());
  EXPECT_FALSE(d.negative);
  EXPECT_EQ(Ascii(internal::DecimalFromInteger(INT64_MIN)), "-9223372036854775808");
  const Variant lowest = Variant::FromCurrency({INT64_MIN});
  EXPECT_EQ(U8(ToText(lowest, LocaleDataFor("en_US")).value), "-922337203685477.5808");
}

// Digits made across the 32-bit boundary, with trailing zeros and none.
TEST(DecimalTest, IntegersAndCurrencyKeepEveryDigit) {
  const struct {
    std::int64_t integer;
    const char* as_integer;
    const char* as_currency;  // the same units as ten-thousandths
  } rows[] = {
      {0, "0", "0"},
      {7, "7", "0.0007"},
      {-120, "-120", "-0.012"},
      {10000, "10000", "1"},
      {4294967295, "4294967295", "429496.7295"},
      {4294967296, "4294967296", "429496.7296"},
      {-42949672960, "-42949672960", "-4294967.296"},
      {1000000000000000000, "1000000000000000000", "100000000000000"},
      {INT64_MAX, "9223372036854775807", "922337203685477.5807"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.as_integer);
    EXPECT_EQ(Ascii(internal::DecimalFromInteger(row.integer)), row.as_integer);
    EXPECT_EQ(Ascii(internal::DecimalFromCurrency({row.integer})), row.as_currency);
  }
}

// The direct rendering of FormatNumber and FormatCurrency must give what
// ICU gives, in locales where it is used and where it is not.
TEST(FormatNumberTest, MatchesIcuInManyLocales) {
  const char* locales[] = {"en_US", "de_DE", "fr_FR", "ja_JP", "en_GB", "es_ES", "hi_IN",
                           "ar_EG", "de_CH", "sv_SE", "pl_PL", "en_IN", "it_IT", "nl_NL",
                           "pt_BR", "ru_RU", "fa_IR", "he_IL", "de_AT", "fr_CH"};
  const double values[] = {0,      0.004,   -0.004,     0.5,  -0.5,           1,
                           -1,     12.345,  -999.995,   1234, -1234.5,        12345,
                           123456, 1234567, -7654321.1, 1e12, -9.87654321e14, 2.675};
  for (const char* id : locales) {
    const LocaleData& locale = LocaleDataFor(id);
    for (double v : values) {
      SCOPED_TRACE(std::string(id) + " " + std::to_string(v));
      const Decimal d = internal::DecimalFromDouble(v);
      for (int decimals : {0, 2, 3}) {
        std::u16string icu;
        internal::AppendLocaleNumberByIcu(d, decimals, locale, icu);
        EXPECT_EQ(U8(FormatNumber(Variant::FromDouble(v), decimals, locale).value), U8(icu));
      }
      std::u16string icu;
      internal::AppendCurrencyTextByIcu(d, locale, icu);
      EXPECT_EQ(U8(FormatCurrency(Variant::FromDouble(v), locale).value), U8(icu));
    }
  }
}

TEST(PictureTest, OneCompiledPictureServesManyThreads) {
  const Picture picture(u"#,##0.00;(#,##0.00);\\z\\e\\r\\o");
  const LocaleData& en = LocaleDataFor("en_US");
  const LocaleData& de = LocaleDataFor("de_DE");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const LocaleData& locale = t % 2 == 0 ? en : de;
      for (int i = -2000; i <= 2000; ++i) {
        const double v = i * 1000.25;
        const Converted<Variant> by_picture = Format(Variant::FromDouble(v), picture, locale);
        const Converted<Variant> by_text =
            Format(Variant::FromDouble(v), u"#,##0.00;(#,##0.00);\\z\\e\\r\\o", locale);
        const Converted<std::u16string> number = FormatNumber(Variant::FromDouble(-v), 2, locale);
        if (!(by_picture.value == by_text.value)) ++failures[static_cast<std::size_t>(t)];
        // The negative section shows what FormatNumber shows, in brackets.
        std::u16string expected = i == 0 ? u"zero" : number.value;
        if (i > 0) expected = expected.substr(1);
        if (i < 0) expected = u"(" + expected + u")";
        if (by_picture.value.AsText() != expected) ++failures[static_cast<std::size_t>(t)];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

// Output stays within a fixed multiple of the picture and the value, for
// pictures built to blow it up.
TEST(PictureTest, OutputStaysBounded) {
  const LocaleData& locale = LocaleDataFor("en_US");
  const std::u16string pictures[] = {
      std::u16string(5000, u'%') + u"0",
      u"0" + std::u16string(5000, u',') + u".00",
      u"0." + std::u16string(5000, u'0'),
      u"0.00E+" + std::u16string(3000, u'0'),
      std::u16string(2000, u'c'),
      std::u16string(1000, u'@') + u";" + std::u16string(1000, u'&'),
      u"\"" + std::u16string(3000, u'x'),
      std::u16string(3000, u'\\'),
  };
  const Variant values[] = {Variant::FromDouble(1.7976931348623157e308),
                            Variant::FromDouble(-5e-324),
                            Variant::FromText(u"abc"),
                            Variant::FromDate(Date{2958465.5}),
                            Variant::Null(),
                            Variant()};
  for (const std::u16string& picture : pictures) {
    for (const Variant& value : values) {
      const Converted<Variant> r = Format(value, picture, locale);
      if (!r.ok() || !r.value.IsText()) continue;
      EXPECT_LE(r.value.AsText().size(), 64 * (picture.size() + 400));
    }
  }
}

}  // namespace
}  // namespace pelt::format

namespace pelt::format {
namespace {

using value::LocaleData;
using value::LocaleDataFor;
using value::Variant;

TEST(UnreadDateTextsTest, CountsTextADatePictureShowsAsItIsOnlyWhileATallyIsInstalled) {
  const LocaleData& en_us = LocaleDataFor("en_US");
  struct Row {
    int line;
    Variant value;
    std::u16string_view picture;
    std::int64_t counted;
  };
  const Row rows[] = {
      {__LINE__, Variant::FromText(u"09.03.2024"), u"d mmmm yyyy", 1},
      {__LINE__, Variant::FromText(u"3/9/2024"), u"d mmmm yyyy", 0},
      {__LINE__, Variant::FromText(u"45360"), u"d mmmm yyyy", 0},  // a serial
      {__LINE__, Variant::FromText(u"09.03.2024"), u"0.00", 0},    // no date picture
      {__LINE__, Variant::FromText(u"   "), u"d mmmm yyyy", 0},
      {__LINE__, Variant::FromText(u"soon"), u"hh:nn", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    UnreadDateTexts tally;
    {
      ScopedUnreadDateTexts scope(tally);
      tally.item = 7;
      static_cast<void>(Format(row.value, row.picture, en_us));
      tally.item = 8;
      static_cast<void>(Format(row.value, row.picture, en_us));
    }
    EXPECT_EQ(tally.count, 2 * row.counted);
    EXPECT_EQ(tally.first, row.counted > 0 ? row.value.AsText() : u"");
    EXPECT_EQ(tally.first_item, row.counted > 0 ? 7 : -1);
    static_cast<void>(Format(row.value, row.picture, en_us));  // no tally: nobody counts
    EXPECT_EQ(tally.count, 2 * row.counted);
  }
}

}  // namespace
}  // namespace pelt::format
