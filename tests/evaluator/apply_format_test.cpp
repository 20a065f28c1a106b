#include "pelt/evaluator/apply_format.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "pelt/language/statements.h"
#include "pelt/value/text.h"
#include "support/dump.h"
#include "support/golden_cases.h"

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

// Every function but Format, which has a picture section for null.
TEST(ApplyFormatTest, NullStaysNull) {
  for (const language::StatementInfo& info : language::Statements()) {
    if (info.operand == language::StatementOperand::kAnyValue) continue;
    Check({__LINE__, Variant::Null(), info.name, N(1), N(1), "Null"});
  }
}

// What a label cannot show: the type of the result, and arguments of the
// wrong kind or names of no statement. The text of every statement's results is in the golden file
// tests/data/format/statements.txt.
TEST(ApplyFormatTest, ResultsKeepTheirTypes) {
  const Row rows[] = {
      {__LINE__, Num(-3), u"Abs", {}, {}, "Double:3"},
      {__LINE__, Variant::FromLong(-3), u"Abs", {}, {}, "Long:3"},
      {__LINE__, Variant::FromInteger(-32768), u"Abs", {}, {}, "Integer:-32768"},  // overflow
      {__LINE__, Str(u"2.67"), u"Round", N(0), {}, "Double:3"},
      {__LINE__, Variant(), u"Left", N(2), {}, "String:"},
      // A failure returns the value as it came in.
      {__LINE__, Variant::FromLong(7), u"Left", N(-1), {}, "Long:7"},   // not even made text
      {__LINE__, Str(u"Hello"), u"Left", T(u"2"), {}, "String:Hello"},  // malformed entry
      {__LINE__, Str(u"Hello"), u"NONE", {}, {}, "String:Hello"},
      {__LINE__, Str(u"Hello"), u"", {}, {}, "String:Hello"},
      {__LINE__, Str(u"Hello"), u"Lefty", N(2), {}, "String:Hello"},
  };
  for (const Row& row : rows) Check(row);
}

// The statements whose amounts need the locale to have a currency.
TEST(ApplyFormatTest, UsesLocaleCurrency) {
  pelt::testing::RunGoldenCases(
      PELT_TESTS_DIR "/evaluator/locale_currency.cases", [](const pelt::testing::GoldenCase& c) {
        const std::size_t blank = c.input.find(' ');
        const std::string argument = c.input.substr(blank + 1);
        const auto function = language::StatementByName(value::FromUtf8(c.input.substr(0, blank)));
        EXPECT_TRUE(function.has_value());
        const Argument first = argument.starts_with('"')
                                   ? T(value::FromUtf8(argument.substr(1, argument.size() - 2)))
                                   : N(std::stoi(argument));
        return UsesLocaleCurrency(function.value_or(language::StatementId::kNone), first)
                   ? "uses the locale's currency\n"
                   : "does not\n";
      });
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

// Made into another value, whatever that held before, every statement gives
// what it gives in place: text, null from a picture's null section, a value
// left as it came, and the bound.
TEST(ApplyFormatTest, MadeIntoAnotherValueAsInPlace) {
  const Variant values[] = {Variant::Null(),   Variant::FromLong(-1234567), Num(0.125),
                            Str(u"2.5"),       Str(u"Oslo"),                Str(u"Straße"),
                            Variant::FromBoolean(true),
                            Variant::FromDate({45000.75})};
  const Argument arguments[] = {N(2), N(-1), T(u"#,##0.00;(#);\"zero\";\"none\""), T(u"@@-")};
  const Variant befores[] = {Str(u"an earlier label, long enough to be on the heap"),
                             Variant::FromLong(9), Variant::Null()};
  const value::LocaleData& locale = value::LocaleDataFor("de_DE");
  for (const language::StatementInfo& info : language::Statements()) {
    for (const Variant& value : values) {
      for (const Argument& first : arguments) {
        Variant in_place = value;
        ApplyFormat(in_place, info.name, first, N(1), locale);
        for (const Variant& before : befores) {
          SCOPED_TRACE(::testing::Message() << testing::U8(info.name) << " of " << Dump(value).substr(0, 40)
                                            << " into " << Dump(before).substr(0, 20));
          Variant out = before;
          ApplyFormatTo(value, *language::StatementByName(info.name), first, N(1), locale, out);
          EXPECT_EQ(Dump(out), Dump(in_place));
        }
      }
    }
  }
  // A picture that would pass the bound leaves the value as it came.
  const Variant full = Str(std::u16string(kMaxTextLength, u'a'));
  Variant out = Str(u"before");
  ApplyFormatTo(full, language::StatementId::kFormat, T(u"@@-"), {}, locale, out);
  EXPECT_EQ(out.AsText().size(), kMaxTextLength);
}

}  // namespace
}  // namespace pelt::evaluator
