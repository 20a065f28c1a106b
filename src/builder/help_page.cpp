#include "help_page.h"

#include <initializer_list>
#include <optional>
#include <span>

#include "errors/messages.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/language/statements.h"
#include "pelt/value/conversion.h"
#include "pelt/value/date_serial.h"
#include "pelt/value/locale.h"
#include "pelt/value/typed_literal.h"
#include "tag_catalogue.h"

namespace pelt::builder {
namespace {

using value::Variant;

// An example before it is run: the field's type and value, and what follows
// the field in the expression.
struct ExampleInput {
  host::FieldType type;
  Variant value;
  std::u16string_view statements;  // ".Left(2)"
};

Variant Text(std::u16string_view text) { return Variant::FromText(std::u16string(text)); }

Variant Number(double d) { return Variant::FromDouble(d); }

Variant DateTime(int year, int month, int day, int hour, int minute) {
  const std::optional<value::Date> date = value::MakeDate(year, month, day, hour, minute);
  return date ? Variant::FromDate(*date) : Variant::Null();
}

// A statement's example as the statements table writes it: the field's
// value as a typed literal and the statement after the field.
std::optional<ExampleInput> StatementExample(const language::StatementInfo& info) {
  std::optional<Variant> value = value::ParseTypedLiteral(info.example_value);
  if (!value) return std::nullopt;
  const host::FieldType type =
      value->IsText() ? host::FieldType::kString : host::FieldType::kDouble;
  return ExampleInput{type, std::move(*value), info.example};
}

// Labels one example with the evaluator, as a host labelling a one-field
// table would.
HelpExample Run(evaluator::PeltExpressionEvaluator& evaluator, const ExampleInput& input) {
  constexpr std::u16string_view kField = u"VALUE";
  HelpExample example;
  example.expression.reserve(kField.size() + 2 + input.statements.size());
  example.expression.push_back(u'[');
  example.expression.append(kField);
  example.expression.push_back(u']');
  example.expression.append(input.statements);
  const value::Converted<std::u16string> shown = value::ToText(input.value, value::UserLocale());
  example.input = shown.ok() ? shown.value : u"Null";

  host::MemoryTable table({host::FieldSpec{std::u16string(kField), input.type}});
  host::MemoryRow& row = table.AddRow({input.value});
  if (evaluator.VerifyExpression(&table, example.expression) == evaluator::kFalse) {
    example.refused = true;
    example.output = evaluator.Message();
  } else {
    example.output = evaluator.MakeLabel(&table, &row, example.expression,
                                         std::make_shared<value::Collection>());
  }
  return example;
}

std::vector<HelpExample> RunAll(evaluator::PeltExpressionEvaluator& evaluator,
                                std::span<const ExampleInput> inputs) {
  std::vector<HelpExample> examples;
  examples.reserve(inputs.size());
  for (const ExampleInput& input : inputs) examples.push_back(Run(evaluator, input));
  return examples;
}

enum class Blanks { kProse, kKept };

// Escapes text for HTML. Blanks in expressions, values and labels matter and
// are kept one for one (kKept); in prose they may wrap and collapse.
void AppendEscaped(std::u16string& out, std::u16string_view text, Blanks blanks = Blanks::kProse) {
  for (const char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      case u' ': out += blanks == Blanks::kKept ? u"&nbsp;" : u" "; break;
      default: out += c;
    }
  }
}

// A cell of code: expressions, values and labels, blanks kept.
void AppendCode(std::u16string& out, std::u16string_view text) {
  out += u"<code>";
  AppendEscaped(out, text, Blanks::kKept);
  out += u"</code>";
}

// A label, or in italics the reason the example was refused.
void AppendOutput(std::u16string& out, const HelpExample& example) {
  if (example.refused) {
    out += u"<i>";
    AppendEscaped(out, example.output);
    out += u"</i>";
  } else {
    AppendCode(out, example.output);
  }
}

void AppendElement(std::u16string& out, std::u16string_view tag, std::u16string_view text) {
  out += u"<";
  out += tag;
  out += u">";
  AppendEscaped(out, text);
  out += u"</";
  out += tag;
  out += u">";
}

// The opening of a table and its row of headings.
void OpenTable(std::u16string& out, std::initializer_list<std::u16string_view> headings) {
  out += u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>";
  for (const std::u16string_view heading : headings) {
    out += u"<th>";
    out += heading;
    out += u"</th>";
  }
  out += u"</tr>";
}

// A row of two cells: code, then prose.
void AppendCodeAndProse(std::u16string& out, std::u16string_view code, std::u16string_view prose) {
  out += u"<tr><td>";
  AppendCode(out, code);
  out += u"</td><td>";
  AppendEscaped(out, prose);
  out += u"</td></tr>";
}

void AppendExampleTable(std::u16string& out, std::u16string_view heading,
                        const std::vector<HelpExample>& examples) {
  AppendElement(out, u"h3", heading);
  OpenTable(out, {u"Expression", u"Field value", u"Label"});
  for (const HelpExample& example : examples) {
    out += u"<tr><td>";
    AppendCode(out, example.expression);
    out += u"</td><td>";
    AppendCode(out, example.input);
    out += u"</td><td>";
    AppendOutput(out, example);
    out += u"</td></tr>";
  }
  out += u"</table>";
}

}  // namespace

HelpPage MakeHelpPage(const value::CollectionView* reserved_words,
                      const value::CollectionView* reserved_word_descriptions) {
  using host::FieldType;
  HelpPage page;
  evaluator::PeltExpressionEvaluator evaluator;

  for (const language::StatementInfo& info : language::Statements()) {
    HelpStatement statement{info.catalogue_entry, info.description, {}};
    if (const std::optional<ExampleInput> input = StatementExample(info)) {
      statement.example = Run(evaluator, *input);
    }
    page.statements.push_back(std::move(statement));
  }

  const ExampleInput numbers[] = {
      {FieldType::kDouble, Number(1234.5), u".Format(0)"},
      {FieldType::kDouble, Number(1234.5), u".Format(0.000)"},
      {FieldType::kDouble, Number(7), u".Format(000)"},
      {FieldType::kDouble, Number(0.256), u".Format(0.0%)"},
      {FieldType::kDouble, Number(1234.5), u".Format(0.00E+00)"},
      {FieldType::kDouble, Number(-2.5), u".Format(0.0;(0.0))"},
  };
  page.number_pictures = RunAll(evaluator, numbers);

  const Variant moment = DateTime(2024, 3, 7, 14, 5);
  const ExampleInput dates[] = {
      {FieldType::kDate, moment, u".Format(yyyy-mm-dd)"},
      {FieldType::kDate, moment, u".Format(d mmmm yyyy)"},
      {FieldType::kDate, moment, u".Format(dddd)"},
      {FieldType::kDate, moment, u".Format(mmm yy)"},
      {FieldType::kDate, moment, u".Format(hh:nn)"},
      {FieldType::kDate, moment, u".Format(h:nn AM/PM)"},
  };
  page.date_pictures = RunAll(evaluator, dates);

  const ExampleInput texts[] = {
      {FieldType::kString, Text(u"Hello World"), u".Format(>)"},
      {FieldType::kString, Text(u"Hello World"), u".Format(<)"},
      {FieldType::kString, Text(u"AB12"), u".Format(@@-@@)"},
      {FieldType::kString, Text(u"42"), u".Format(@@@@@@)"},
  };
  page.text_pictures = RunAll(evaluator, texts);

  // Words or descriptions that cannot be read are left out, as are those
  // without a text form: the page is still shown.
  std::int32_t count = 0;
  if (reserved_words != nullptr && reserved_words->CountItems(count) == value::ErrorCode::kNone) {
    const value::LocaleData& locale = value::UserLocale();
    for (std::int32_t i = 1; i <= count; ++i) {
      HelpReservedWord word;
      Variant item;
      if (reserved_words->ReadItemAt(i, item) != value::ErrorCode::kNone) continue;
      const value::Converted<std::u16string> text = value::ToText(item, locale);
      if (!text.ok()) continue;
      word.word = text.value;
      Variant description;
      if (reserved_word_descriptions != nullptr &&
          reserved_word_descriptions->ReadItemByKey(word.word, description) ==
              value::ErrorCode::kNone) {
        const value::Converted<std::u16string> shown = value::ToText(description, locale);
        if (shown.ok()) word.description = shown.value;
      }
      page.reserved_words.push_back(std::move(word));
    }
  }
  return page;
}

std::u16string HelpPageHtml(const HelpPage& page) {
  std::u16string out = u"<html><body>";
  AppendElement(out, u"h2", u"Label expressions");
  AppendElement(out, u"p",
                u"A label expression is text that becomes a label. Write a field's name in "
                u"square brackets to put the field's value in the label, such as [NAME]. Follow "
                u"the closing bracket with formatting statements to change the value; they apply "
                u"from left to right, such as [NAME].Trim.UCase. Reserved words begin with $$ "
                u"and stand for values that the map supplies, such as page numbers and dates. "
                u"Text formatting tags and every other character are copied into the label as "
                u"they stand.");

  AppendElement(out, u"h3", u"Formatting statements");
  OpenTable(out, {u"Statement", u"Example", u"Field value", u"Label"});
  for (const HelpStatement& statement : page.statements) {
    out += u"<tr><td>";
    AppendCode(out, statement.entry);
    out += u"<br>";
    AppendEscaped(out, statement.description);
    out += u"</td><td>";
    AppendCode(out, statement.example.expression);
    out += u"</td><td>";
    AppendCode(out, statement.example.input);
    out += u"</td><td>";
    AppendOutput(out, statement.example);
    out += u"</td></tr>";
  }
  out += u"</table>";

  AppendElement(out, u"p",
                u"The Format statement takes a picture between its parentheses: 0 and # for "
                u"digits, . and , for the decimal and thousands separators, % for percent, "
                u"E+ for exponents, d m y h n s for parts of dates and times, @ and > < for text.");
  AppendExampleTable(out, u"Format pictures for numbers", page.number_pictures);
  AppendExampleTable(out, u"Format pictures for dates and times", page.date_pictures);
  AppendExampleTable(out, u"Format pictures for text", page.text_pictures);

  AppendElement(out, u"h3", u"Reserved words");
  if (page.reserved_words.empty()) {
    AppendElement(out, u"p", errors::MessageText(errors::MessageId::kNoReservedWords));
  } else {
    OpenTable(out, {u"Reserved word", u"Description"});
    for (const HelpReservedWord& word : page.reserved_words) {
      AppendCodeAndProse(out, word.word, word.description);
    }
    out += u"</table>";
  }

  AppendElement(out, u"h3", u"Text formatting tags");
  OpenTable(out, {u"Tag", u"Description"});
  for (const TagInfo& tag : Tags()) AppendCodeAndProse(out, tag.entry, tag.description);
  out += u"</table></body></html>";
  return out;
}

}  // namespace pelt::builder
