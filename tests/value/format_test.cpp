// Properties of the formatting functions that golden rows cannot show:
// the decimal rounding itself, the direct number rendering against ICU's in
// many locales, typed literals, compiled pictures shared between threads,
// and bounded output for hostile pictures.
#include "pelt/value/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "value/icu_number_format.h"
#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"
#include "value/rounding.h"
#include "support/dump.h"

namespace pelt::value {
namespace {

using internal::Decimal;
using internal::RoundingMode;
using testing::U8;

std::string Ascii(const Decimal& d) { return internal::DecimalToAscii(d); }

TEST(DecimalTest, DoublesReadAsTheirFifteenDigitForm) {
  struct Row {
    int line;
    double value;
    const char* ascii;
  } rows[] = {
      {__LINE__, 0.0, "0"},
      {__LINE__, -0.0, "0"},
      {__LINE__, 2.675, "2.675"},
      {__LINE__, 0.1 + 0.2, "0.3"},
      {__LINE__, 1.0 / 3.0, "0.333333333333333"},
      {__LINE__, 2.0 / 3.0, "0.666666666666667"},
      {__LINE__, -1234.5, "-1234.5"},
      {__LINE__, 1e20, "100000000000000000000"},
      {__LINE__, 123456789012345678.0, "123456789012346000"},
      {__LINE__, 1.5e-7, "0.00000015"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Ascii(internal::DecimalFromDouble(row.value)), row.ascii);
  }
  const Decimal tiny = internal::DecimalFromDouble(5e-324);
  EXPECT_EQ(tiny.point, -323);
  EXPECT_EQ(std::string(tiny.digits.data(), static_cast<std::size_t>(tiny.count)),
            "494065645841247");
}

TEST(DecimalTest, ExactForIntegersAndCurrency) {
  EXPECT_EQ(Ascii(internal::DecimalFromInteger(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(Ascii(internal::DecimalFromInteger(1200)), "1200");
  EXPECT_EQ(Ascii(internal::DecimalFromCurrency(Currency{INT64_MAX})),
            "922337203685477.5807");
  EXPECT_EQ(Ascii(internal::DecimalFromCurrency(Currency{-5})), "-0.0005");
}

TEST(DecimalTest, RoundsTiesAwayFromZeroOrToEven) {
  struct Row {
    int line;
    const char* value;
    int decimals;
    const char* away;
    const char* even;
  } rows[] = {
      {__LINE__, "2.5", 0, "3", "2"},
      {__LINE__, "3.5", 0, "4", "4"},
      {__LINE__, "-2.5", 0, "-3", "-2"},
      {__LINE__, "2.675", 2, "2.68", "2.68"},
      {__LINE__, "2.665", 2, "2.67", "2.66"},
      {__LINE__, "2.6651", 2, "2.67", "2.67"},
      {__LINE__, "0.5", 0, "1", "0"},
      {__LINE__, "-0.004", 2, "0", "0"},
      {__LINE__, "999.5", 0, "1000", "1000"},
      {__LINE__, "0.0005", 3, "0.001", "0"},
      {__LINE__, "0.00049", 3, "0", "0"},
      {__LINE__, "1250", -2, "1300", "1200"},
      {__LINE__, "1.23", 40, "1.23", "1.23"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Decimal away = internal::DecimalFromDouble(std::stod(row.value));
    Decimal even = away;
    internal::RoundDecimal(away, row.decimals, RoundingMode::kHalfAwayFromZero);
    internal::RoundDecimal(even, row.decimals, RoundingMode::kHalfEven);
    EXPECT_EQ(Ascii(away), row.away);
    EXPECT_EQ(Ascii(even), row.even);
    EXPECT_EQ(internal::DecimalToDouble(away), std::stod(row.away));
  }
}

TEST(DecimalTest, ExtremeRoundingCountsNeitherWrapNorKeepASign) {
  Decimal d = internal::DecimalFromDouble(-1e-300);
  internal::RoundDecimal(d, INT32_MAX, RoundingMode::kHalfAwayFromZero);
  EXPECT_EQ(Ascii(d), "-0." + std::string(299, '0') + "1");
  internal::RoundDecimal(d, INT32_MIN, RoundingMode::kHalfAwayFromZero);
  EXPECT_TRUE(d.IsZero());
  EXPECT_FALSE(d.negative);
}

// The direct rendering of FormatNumber and FormatCurrency must give what
// ICU gives, in locales where it is used and where it is not.
TEST(FormatNumberTest, MatchesIcuInManyLocales) {
  const char* locales[] = {"en_US", "de_DE", "fr_FR", "ja_JP", "en_GB", "es_ES", "hi_IN",
                           "ar_EG", "de_CH", "sv_SE", "pl_PL", "en_IN", "it_IT", "nl_NL",
                           "pt_BR", "ru_RU", "fa_IR", "he_IL", "de_AT", "fr_CH"};
  const double values[] = {0,      0.004,   -0.004,    0.5,      -0.5,       1,
                           -1,     12.345,  -999.995,  1234,     -1234.5,    12345,
                           123456, 1234567, -7654321.1, 1e12,    -9.87654321e14, 2.675};
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

TEST(TypedLiteralTest, ReadsEveryTypeAndRefusesTheRest) {
  struct Row {
    int line;
    const char* text;
    const char* dump;  // nullptr: refused
  } rows[] = {
      {__LINE__, "num:1234.5", "Double:1234.5"},
      {__LINE__, "num:-1e-5", "Double:-1.0000000000000001e-05"},
      {__LINE__, "int:42", "Integer:42"},
      {__LINE__, "int:-32769", "Long:-32769"},
      {__LINE__, "int:2147483648", nullptr},
      {__LINE__, "cur:12.34", "Currency:123400e-4"},
      {__LINE__, "cur:-0.0001", "Currency:-1e-4"},
      {__LINE__, "cur:1.23456", nullptr},
      {__LINE__, "cur:922337203685477.5808", nullptr},
      {__LINE__, "date:2026-01-05", "Date:46027"},
      {__LINE__, "date:2026-01-05T12:00:00", "Date:46027.5"},
      {__LINE__, "date:2026-02-30", nullptr},
      {__LINE__, "date:2026-01-05T24:00:00", nullptr},
      {__LINE__, "time:06:00:00", "Date:0.25"},
      {__LINE__, "time:6:00:00", nullptr},
      {__LINE__, "str:a b", "String:a b"},
      {__LINE__, "str:", "String:"},
      {__LINE__, "bool:true", "Boolean:True"},
      {__LINE__, "bool:yes", nullptr},
      {__LINE__, "null:", "Null"},
      {__LINE__, "null:x", nullptr},
      {__LINE__, "empty:", "Empty"},
      {__LINE__, "num:", nullptr},
      {__LINE__, "num:1,5", nullptr},
      {__LINE__, "1234", nullptr},
      {__LINE__, "text:a", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::optional<Variant> v = ParseTypedLiteral(row.text);
    if (row.dump == nullptr) {
      EXPECT_FALSE(v.has_value()) << testing::Dump(*v);
    } else {
      ASSERT_TRUE(v.has_value());
      EXPECT_EQ(testing::Dump(*v), row.dump);
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
                            Variant::FromDouble(-5e-324), Variant::FromText(u"abc"),
                            Variant::FromDate(Date{2958465.5}), Variant::Null(), Variant()};
  for (const std::u16string& picture : pictures) {
    for (const Variant& value : values) {
      const Converted<Variant> r = Format(value, picture, locale);
      if (!r.ok() || !r.value.IsText()) continue;
      EXPECT_LE(r.value.AsText().size(), 64 * (picture.size() + 400));
    }
  }
}

}  // namespace
}  // namespace pelt::value
