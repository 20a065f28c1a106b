#include "pelt/value/conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "pelt/value/date_serial.h"
#include "support/dump.h"

namespace pelt::value {
namespace {

using testing::U8;

struct NumericTextRow {
  int line;
  const char* locale;
  std::u16string_view text;
  bool numeric;
  double value;  // when numeric
};

TEST(ConversionTest, ReadsNumericTextInTheLocale) {
  const NumericTextRow rows[] = {
      {__LINE__, "en_US", u"12", true, 12},
      {__LINE__, "en_US", u"  -12.5  ", true, -12.5},
      {__LINE__, "en_US", u"+3", true, 3},
      {__LINE__, "en_US", u"1,234.5", true, 1234.5},
      {__LINE__, "en_US", u"1,2,3", true, 123},  // grouping is not position-checked
      {__LINE__, "en_US", u".5", true, 0.5},
      {__LINE__, "en_US", u"5.", true, 5},
      {__LINE__, "en_US", u"1e3", true, 1000},
      {__LINE__, "en_US", u"2.5E-2", true, 0.025},
      {__LINE__, "en_US", u"\t7\t", true, 7},
      {__LINE__, "en_US", u"", false, 0},
      {__LINE__, "en_US", u"   ", false, 0},
      {__LINE__, "en_US", u"-", false, 0},
      {__LINE__, "en_US", u".", false, 0},
      {__LINE__, "en_US", u"abc", false, 0},
      {__LINE__, "en_US", u"12abc", false, 0},
      {__LINE__, "en_US", u"1e", false, 0},
      {__LINE__, "en_US", u",5", false, 0},   // a group separator needs a digit before it
      {__LINE__, "en_US", u"5,", false, 0},   // and one after it
      {__LINE__, "en_US", u"1 2", false, 0},
      {__LINE__, "en_US", u"1,5", true, 15},
      {__LINE__, "de_DE", u"1,5", true, 1.5},
      {__LINE__, "de_DE", u"1.234,5", true, 1234.5},
      {__LINE__, "de_DE", u"-0,25", true, -0.25},
      {__LINE__, "de_DE", u"1.5", true, 15},
      {__LINE__, "de_DE", u"1,5e2", true, 150},
      {__LINE__, "fr_FR", u"1 234,5", true, 1234.5},  // ordinary blank for the no-break one
      {__LINE__, "en_US", u"1e-400", true, 0},        // underflow reads as zero
  };
  for (const NumericTextRow& row : rows) {
    SCOPED_TRACE(row.line);
    const LocaleData& locale = LocaleDataFor(row.locale);
    const Converted<double> parsed = ParseNumber(row.text, locale);
    EXPECT_EQ(parsed.ok(), row.numeric) << U8(row.text);
    EXPECT_EQ(IsNumericText(row.text, locale), row.numeric);
    if (row.numeric) {
      EXPECT_DOUBLE_EQ(parsed.value, row.value);
    } else {
      EXPECT_EQ(parsed.error, ErrorCode::kTypeMismatch);
    }
  }
}

TEST(ConversionTest, NumberBeyondDoubleRangeIsOverflow) {
  EXPECT_EQ(ParseNumber(u"1e400", LocaleDataFor("en_US")).error, ErrorCode::kOverflow);
  EXPECT_EQ(ParseNumber(u"-9e999", LocaleDataFor("en_US")).error, ErrorCode::kOverflow);
}

struct TextFormRow {
  int line;
  const char* locale;
  Variant value;
  std::u16string_view expected;
};

TEST(ConversionTest, TextFormFollowsTheLocale) {
  const TextFormRow rows[] = {
      {__LINE__, "en_US", Variant::FromDouble(0.1 + 0.2), u"0.3"},
      {__LINE__, "en_US", Variant::FromDouble(2.5), u"2.5"},
      {__LINE__, "de_DE", Variant::FromDouble(2.5), u"2,5"},
      {__LINE__, "en_US", Variant::FromDouble(1234567.25), u"1234567.25"},  // no grouping
      {__LINE__, "en_US", Variant::FromDouble(-0.0), u"0"},
      {__LINE__, "en_US", Variant::FromDouble(1e15), u"1E+15"},
      {__LINE__, "en_US", Variant::FromDouble(999999999999999.0), u"999999999999999"},
      {__LINE__, "en_US", Variant::FromDouble(1e16), u"1E+16"},
      {__LINE__, "en_US", Variant::FromDouble(1.5e-7), u"1.5E-07"},
      {__LINE__, "de_DE", Variant::FromDouble(1.5e-7), u"1,5E-07"},
      {__LINE__, "en_US", Variant::FromDouble(0.0001), u"0.0001"},
      {__LINE__, "en_US", Variant::FromDouble(0.00001), u"1E-05"},
      {__LINE__, "en_US", Variant::FromDouble(1.0 / 3.0), u"0.333333333333333"},
      {__LINE__, "en_US", Variant::FromDouble(-12345.678), u"-12345.678"},
      {__LINE__, "en_US", Variant::FromInteger(-32768), u"-32768"},
      {__LINE__, "en_US", Variant::FromLong(2147483647), u"2147483647"},
      {__LINE__, "en_US", Variant::FromBoolean(true), u"True"},
      {__LINE__, "de_DE", Variant::FromBoolean(false), u"False"},
      {__LINE__, "en_US", Variant::FromCurrency({123456}), u"12.3456"},
      {__LINE__, "en_US", Variant::FromCurrency({-15000}), u"-1.5"},
      {__LINE__, "de_DE", Variant::FromCurrency({10500}), u"1,05"},
      {__LINE__, "en_US", Variant::FromCurrency({std::numeric_limits<std::int64_t>::min()}),
       u"-922337203685477.5808"},
      {__LINE__, "en_US", Variant::FromText(u"Zürich"), u"Zürich"},
      {__LINE__, "en_US", Variant(), u""},
  };
  for (const TextFormRow& row : rows) {
    SCOPED_TRACE(row.line);
    const Converted<std::u16string> text = ToText(row.value, LocaleDataFor(row.locale));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(U8(text.value), U8(row.expected));
  }
}

TEST(ConversionTest, DatesShowShortDateAndTimeUnlessMidnight) {
  const Date midnight = *MakeDate(2026, 1, 5);
  const Date afternoon = *MakeDate(2026, 1, 5, 13, 4, 9);
  const Date time_only = *MakeDate(1899, 12, 30, 9, 5, 0);
  struct Row {
    int line;
    const char* locale;
    Date date;
    std::u16string_view expected;
  } rows[] = {
      {__LINE__, "en_US", midnight, u"1/5/2026"},
      {__LINE__, "en_US", afternoon, u"1/5/2026 1:04:09 PM"},
      {__LINE__, "de_DE", midnight, u"05.01.2026"},
      {__LINE__, "de_DE", afternoon, u"05.01.2026 13:04:09"},
      {__LINE__, "en_GB", midnight, u"05/01/2026"},
      {__LINE__, "ja_JP", midnight, u"2026/01/05"},
      {__LINE__, "en_US", time_only, u"9:05:00 AM"},
      {__LINE__, "de_DE", Date{0.0}, u"00:00:00"},  // a time alone shows even at midnight
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(U8(ToText(Variant::FromDate(row.date), LocaleDataFor(row.locale)).value),
              U8(row.expected));
  }
}

TEST(ConversionTest, NullHasNoTextForm) {
  std::u16string out = u"kept";
  EXPECT_EQ(AppendText(Variant::Null(), LocaleDataFor("en_US"), out), ErrorCode::kInvalidUseOfNull);
  EXPECT_EQ(U8(out), "kept");
}

TEST(ConversionTest, WholeNumbersRoundHalfToEvenAndDetectOverflow) {
  const LocaleData& en = LocaleDataFor("en_US");
  struct Row {
    int line;
    Variant value;
    ErrorCode integer_error;
    std::int16_t integer;
    ErrorCode long_error;
    std::int32_t long_value;
  } rows[] = {
      {__LINE__, Variant::FromDouble(2.5), ErrorCode::kNone, 2, ErrorCode::kNone, 2},
      {__LINE__, Variant::FromDouble(3.5), ErrorCode::kNone, 4, ErrorCode::kNone, 4},
      {__LINE__, Variant::FromDouble(-2.5), ErrorCode::kNone, -2, ErrorCode::kNone, -2},
      {__LINE__, Variant::FromDouble(2.51), ErrorCode::kNone, 3, ErrorCode::kNone, 3},
      {__LINE__, Variant::FromLong(32767), ErrorCode::kNone, 32767, ErrorCode::kNone, 32767},
      {__LINE__, Variant::FromLong(32768), ErrorCode::kOverflow, 0, ErrorCode::kNone, 32768},
      {__LINE__, Variant::FromDouble(-32768.4), ErrorCode::kNone, -32768, ErrorCode::kNone,
       -32768},
      {__LINE__, Variant::FromDouble(-32768.6), ErrorCode::kOverflow, 0, ErrorCode::kNone,
       -32769},
      {__LINE__, Variant::FromDouble(2147483647.4), ErrorCode::kOverflow, 0, ErrorCode::kNone,
       2147483647},
      {__LINE__, Variant::FromDouble(2147483647.5), ErrorCode::kOverflow, 0, ErrorCode::kOverflow,
       0},
      {__LINE__, Variant::FromDouble(std::nan("")), ErrorCode::kOverflow, 0,
       ErrorCode::kOverflow, 0},
      {__LINE__, Variant::FromText(u" 1,000.5 "), ErrorCode::kNone, 1000, ErrorCode::kNone,
       1000},
      {__LINE__, Variant::FromText(u"x"), ErrorCode::kTypeMismatch, 0, ErrorCode::kTypeMismatch,
       0},
      {__LINE__, Variant::Null(), ErrorCode::kInvalidUseOfNull, 0, ErrorCode::kInvalidUseOfNull,
       0},
      {__LINE__, Variant::FromBoolean(true), ErrorCode::kNone, -1, ErrorCode::kNone, -1},
      {__LINE__, Variant(), ErrorCode::kNone, 0, ErrorCode::kNone, 0},
      {__LINE__, Variant::FromCurrency({25000}), ErrorCode::kNone, 2, ErrorCode::kNone, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const Converted<std::int16_t> i = ToInteger(row.value, en);
    EXPECT_EQ(i.error, row.integer_error);
    if (i.ok()) {
      EXPECT_EQ(i.value, row.integer);
    }
    const Converted<std::int32_t> l = ToLong(row.value, en);
    EXPECT_EQ(l.error, row.long_error);
    if (l.ok()) {
      EXPECT_EQ(l.value, row.long_value);
    }
  }
}

TEST(ConversionTest, NumericnessOfValues) {
  const LocaleData& en = LocaleDataFor("en_US");
  EXPECT_TRUE(IsNumeric(Variant::FromLong(1), en));
  EXPECT_TRUE(IsNumeric(Variant::FromBoolean(false), en));
  EXPECT_TRUE(IsNumeric(Variant::FromText(u" 2.5 "), en));
  EXPECT_FALSE(IsNumeric(Variant::Null(), en));
  EXPECT_FALSE(IsNumeric(Variant(), en));
  EXPECT_FALSE(IsNumeric(Variant::FromDate(Date{1.0}), en));
}

}  // namespace
}  // namespace pelt::value
