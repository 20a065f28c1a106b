#include "pelt/evaluator/apply_format.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "pelt/language/statements.h"
#include "support/dump.h"

namespace pelt::evaluator {
namespace {

using language::Argument;
using testing::Dump;
using value::Variant;

Variant Num(double d) { return Variant::FromDouble(d); }
Variant Str(std::u16string s) { return Variant::FromText(std::move(s)); }
Argument N(std::int32_t n) { return n; }
Argument T(std::u16string s) { return s; }

struct Row {
  int line;
  Variant value;
  std::u16string_view function;
  Argument first = std::u16string();
  Argument second = std::u16string();
  const char* expected;  // Dump of the result
  const char* locale = "en_US";
};

void Check(const Row& row) {
  SCOPED_TRACE(row.line);
  Variant value = row.value;
  const Variant result =
      ApplyFormat(value, row.function, row.first, row.second, value::LocaleDataFor(row.locale));
  EXPECT_EQ(Dump(result), row.expected);
  EXPECT_EQ(Dump(value), row.expected) << "the value passed in holds the result too";
}

TEST(ApplyFormatTest, TextFunctions) {
  const Row rows[] = {
      {__LINE__, Str(u"Hello World"), u"Left", N(2), {}, "String:He"},
      {__LINE__, Str(u"Hello World"), u"left", N(0), {}, "String:"},
      {__LINE__, Str(u"Hello World"), u"Left", N(99), {}, "String:Hello World"},
      {__LINE__, Str(u"Hello World"), u"Right", N(2), {}, "String:ld"},
      {__LINE__, Str(u"Hello World"), u"Mid", N(7), N(3), "String:Wor"},
      {__LINE__, Str(u"Hello World"), u"Mid", N(7), N(99), "String:World"},
      {__LINE__, Str(u"Hello World"), u"Mid", N(12), N(3), "String:"},
      {__LINE__, Str(u"Hello World"), u"Replace", T(u"o"), T(u"xx"), "String:Hellxx Wxxrld"},
      {__LINE__, Str(u"Hello World"), u"Replace", T(u"O"), T(u"0"), "String:Hell0 W0rld"},
      {__LINE__, Str(u"aaa"), u"Replace", T(u"aa"), T(u"b"), "String:ba"},
      {__LINE__, Str(u"abc"), u"Replace", T(u""), T(u"x"), "String:abc"},
      {__LINE__, Str(u"  a b  "), u"LTrim", {}, {}, "String:a b  "},
      {__LINE__, Str(u"  a b  "), u"RTrim", {}, {}, "String:  a b"},
      {__LINE__, Str(u"  a b  "), u"Trim", {}, {}, "String:a b"},
      {__LINE__, Str(u"\ta\t"), u"Trim", {}, {}, "String:\ta\t"},  // only blanks are trimmed
      {__LINE__, Str(u"Hello World"), u"UCase", {}, {}, "String:HELLO WORLD"},
      {__LINE__, Str(u"Hello World"), u"LCase", {}, {}, "String:hello world"},
      {__LINE__, Str(u"istanbul"), u"UCase", {}, {}, "String:İSTANBUL", "tr_TR"},
      {__LINE__, Str(u"GIS"), u"Spaces", N(3), {}, "String:G   I   S   "},
      {__LINE__, Str(u"GIS"), u"Spaces", N(0), {}, "String:GIS"},
      {__LINE__, Str(u""), u"Spaces", N(3), {}, "String:"},
      {__LINE__, Str(u"a😀"), u"Spaces", N(1), {}, "String:a 😀 "},  // a pair stays whole
      // Other values through their text form.
      {__LINE__, Variant::FromLong(12345), u"Left", N(2), {}, "String:12"},
      {__LINE__, Num(2.5), u"Right", N(2), {}, "String:,5", "de_DE"},
      {__LINE__, Variant::FromBoolean(true), u"UCase", {}, {}, "String:TRUE"},
      {__LINE__, Variant(), u"Left", N(2), {}, "String:"},
  };
  for (const Row& row : rows) Check(row);
}

// Every function but Format, which has a picture section for null.
TEST(ApplyFormatTest, NullStaysNull) {
  for (const language::StatementInfo& info : language::Statements()) {
    if (info.operand == language::StatementOperand::kAnyValue) continue;
    Check({__LINE__, Variant::Null(), info.name, N(1), N(1), "Null"});
  }
}

TEST(ApplyFormatTest, NumericFunctions) {
  const Row rows[] = {
      {__LINE__, Num(-3), u"Abs", {}, {}, "Double:3"},
      {__LINE__, Variant::FromLong(-3), u"Abs", {}, {}, "Long:3"},
      {__LINE__, Variant::FromInteger(-32768), u"Abs", {}, {}, "Integer:-32768"},  // overflow
      {__LINE__, Str(u" -2.5 "), u"Abs", {}, {}, "Double:2.5"},
      {__LINE__, Num(2.5), u"Round", N(0), {}, "Double:2"},
      {__LINE__, Num(3.5), u"Round", N(0), {}, "Double:4"},
      {__LINE__, Num(2.67), u"Round", N(0), {}, "Double:3"},
      {__LINE__, Str(u"2.67"), u"Round", N(0), {}, "Double:3"},
      {__LINE__, Num(2.53), u"FormatNumber", N(4), {}, "String:2.5300"},
      {__LINE__, Num(1234.5), u"FormatNumber", N(2), {}, "String:1,234.50"},
      {__LINE__, Str(u"n/a"), u"FormatNumber", N(2), {}, "String:n/a"},
      {__LINE__, Num(100), u"FormatCurrency", {}, {}, "String:$100.00"},
      {__LINE__, Num(0.5), u"Format", T(u"0.00%"), {}, "String:50.00%"},
      {__LINE__, Str(u"abc"), u"Format", T(u">"), {}, "String:ABC"},
  };
  for (const Row& row : rows) Check(row);
}

TEST(ApplyFormatTest, FailuresReturnTheValueAsItCameIn) {
  const Row rows[] = {
      {__LINE__, Str(u"Hello"), u"Left", N(-1), {}, "String:Hello"},
      {__LINE__, Str(u"Hello"), u"Right", N(-1), {}, "String:Hello"},
      {__LINE__, Num(2.5), u"Round", N(-1), {}, "Double:2.5"},
      {__LINE__, Str(u"Hello"), u"Mid", N(0), N(3), "String:Hello"},
      {__LINE__, Str(u"Hello"), u"Mid", N(1), N(-1), "String:Hello"},
      {__LINE__, Variant::FromLong(7), u"Left", N(-1), {}, "Long:7"},   // not even made text
      {__LINE__, Str(u"Hello"), u"Left", T(u"2"), {}, "String:Hello"},  // malformed entry
      {__LINE__, Str(u"Hello"), u"NONE", {}, {}, "String:Hello"},
      {__LINE__, Str(u"Hello"), u"", {}, {}, "String:Hello"},
      {__LINE__, Str(u"Hello"), u"Lefty", N(2), {}, "String:Hello"},
      {__LINE__, Str(u"Hello"), u"Spaces", N(2000000000), {}, "String:Hello"},  // past the bound
  };
  for (const Row& row : rows) Check(row);
}

// No statement makes a text longer than the bound, whatever it is given, and
// refusing costs no more memory than the text already there.
TEST(ApplyFormatTest, NoResultPassesTheBound) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const long peak_before_kb = usage.ru_maxrss;
  Variant chained = Str(u"place");
  for (int i = 0; i < 4; ++i)
    ApplyFormat(chained, u"Spaces", N(1000), {}, value::LocaleDataFor("en_US"));
  EXPECT_EQ(chained.AsText().size(), 5u * 1001 * 1001);  // the third Spaces would pass the bound
  Variant full = Str(std::u16string(kMaxTextLength, u'a'));
  for (const std::u16string_view picture : {u"\\x@", u"@@@@@@@@@@@@@@@@-"}) {
    ApplyFormat(full, u"Format", T(std::u16string(picture)), {}, value::LocaleDataFor("en_US"));
    EXPECT_EQ(full.AsText().size(), kMaxTextLength);
  }
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss - peak_before_kb, 512 * 1024) << "KB more at the peak";
}

}  // namespace
}  // namespace pelt::evaluator
