#include "examples.h"

#include <algorithm>
#include <memory>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/format/format.h"
#include "pelt/host/memory_table.h"
#include "pelt/value/collection.h"
#include "pelt/value/conversion.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/error_code.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"
#include "pelt/warnings/expression_warnings.h"

namespace pelt::reference {
namespace {

using value::FromUtf8;
using value::ToUtf8;

Span Code(std::string text) { return {Span::Kind::kCode, std::move(text)}; }
Span Remark(std::string text) { return {Span::Kind::kRemark, std::move(text)}; }

// A label or formatted text as a cell: blanks at either end would be lost
// in every rendering, so such a text is shown in quotes.
Inline TextCell(const std::u16string& text) {
  if (text.empty()) return {Remark("(empty)")};
  std::string shown = ToUtf8(text);
  if (text.front() == u' ' || text.back() == u' ') shown = "\"" + shown + "\"";
  return {Code(std::move(shown))};
}

// Splits "a | b | rest" into count parts at its first count - 1 " | ".
std::optional<std::vector<std::string>> SplitRow(const std::string& row, std::size_t count) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (parts.size() + 1 < count) {
    const std::size_t bar = row.find(" | ", start);
    if (bar == std::string::npos) return std::nullopt;
    parts.push_back(row.substr(start, bar - start));
    start = bar + 3;
  }
  parts.push_back(row.substr(start));
  return parts;
}

std::string RowError(const SourceLine& row, const std::string& what) {
  return std::to_string(row.number) + ": " + what + ": " + row.text;
}

std::optional<ExampleValue> WholeValue(const std::string& text) {
  std::string_view rest = text;
  std::optional<ExampleValue> read = ReadExampleValue(rest);
  return read && rest.find_first_not_of(' ') == std::string_view::npos ? read : std::nullopt;
}

// The value through the picture, as Format gives it in the locale.
Inline FormatCell(const value::Variant& v, const std::string& picture, const std::string& locale) {
  const value::Converted<value::Variant> formatted =
      format::Format(v, FromUtf8(picture), value::LocaleDataFor(locale));
  if (!formatted.ok())
    return {Remark("error: " + ToUtf8(value::ErrorDescription(formatted.error)))};
  if (formatted.value.IsNull()) return {Remark("null")};
  const value::Converted<std::u16string> text =
      value::ToText(formatted.value, value::LocaleDataFor(locale));
  return TextCell(text.ok() ? text.value : u"");
}

// Reads "NAME=VALUE ... $$WORD=VALUE ... | EXPRESSION"; a name with blanks
// is written in quotes.
std::optional<LabelExample> ReadLabelRow(const std::string& row) {
  LabelExample example;
  std::string_view rest = row;
  for (;;) {
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    if (rest.starts_with("| ")) break;
    std::string name;
    if (rest.starts_with('"')) {
      const std::size_t close = rest.find('"', 1);
      if (close == std::string_view::npos) return std::nullopt;
      name = rest.substr(1, close - 1);
      rest.remove_prefix(close + 1);
    } else {
      const std::size_t equals = rest.find('=');
      if (equals == std::string_view::npos) return std::nullopt;
      name = rest.substr(0, equals);
      rest.remove_prefix(equals);
    }
    if (!rest.starts_with('=')) return std::nullopt;
    rest.remove_prefix(1);
    std::optional<ExampleValue> v = ReadExampleValue(rest);
    if (!v || name.empty()) return std::nullopt;
    const bool word = name.starts_with("$$");
    (word ? example.words : example.fields)
        .push_back({word ? name.substr(2) : name, std::move(*v)});
  }
  example.expression = rest.substr(2);
  return example;
}

// A one-row table of the example's fields and its row.
struct ExampleTable {
  explicit ExampleTable(const LabelExample& example) : table(FieldsOf(example)) {
    std::vector<value::Variant> values;
    for (const NamedValue& field : example.fields) values.push_back(field.value.value);
    row = &table.AddRow(std::move(values));
    for (const NamedValue& word : example.words) {
      static_cast<void>(words->Add(word.value.value, FromUtf8(word.name)));
    }
  }
  static std::vector<host::FieldSpec> FieldsOf(const LabelExample& example) {
    std::vector<host::FieldSpec> fields;
    for (const NamedValue& field : example.fields) {
      fields.push_back({FromUtf8(field.name), field.value.type});
    }
    return fields;
  }

  host::MemoryTable table;
  host::MemoryRow* row = nullptr;
  std::shared_ptr<value::Collection> words = std::make_shared<value::Collection>();
};

// What pelt-label warns of for the example, one warning a line.
Inline WarningsCell(const LabelExample& example) {
  ExampleTable table(example);
  evaluator::PeltExpressionEvaluator evaluator;
  static_cast<void>(evaluator.VerifyExpression(&table.table, FromUtf8(example.expression)));
  warnings::WarningContext context;
  context.table = &table.table;
  context.supplied_words.emplace();
  for (const NamedValue& word : example.words)
    context.supplied_words->push_back(FromUtf8(word.name));
  Inline cell;
  for (const warnings::Warning& warning :
       warnings::ExpressionWarnings(FromUtf8(example.expression), evaluator.Tokens(), context)) {
    if (!cell.empty()) cell.push_back({Span::Kind::kText, " "});
    cell.push_back(Remark(ToUtf8(warning.text)));
  }
  return cell;
}

// The column headings of a table with a column per field and word, then
// those of the expression and of each locale.
std::vector<std::string> LabelHeadings(const std::vector<LabelExample>& examples,
                                       std::span<const std::string> locales,
                                       std::vector<std::string>& names) {
  for (const LabelExample& example : examples) {
    for (const NamedValue& field : example.fields) {
      if (std::find(names.begin(), names.end(), field.name) == names.end()) {
        names.push_back(field.name);
      }
    }
    for (const NamedValue& word : example.words) {
      if (std::find(names.begin(), names.end(), "$$" + word.name) == names.end()) {
        names.push_back("$$" + word.name);
      }
    }
  }
  std::vector<std::string> headings = names;
  headings.push_back("Expression");
  headings.insert(headings.end(), locales.begin(), locales.end());
  return headings;
}

Inline ValueOf(const LabelExample& example, const std::string& name) {
  const bool word = name.starts_with("$$");
  for (const NamedValue& v : word ? example.words : example.fields) {
    if (v.name == (word ? name.substr(2) : name)) return {Code(v.value.shown)};
  }
  return {};
}

}  // namespace

Inline LabelCell(const LabelExample& example, const std::string& locale) {
  value::SetUserLocaleOverride(locale);
  ExampleTable table(example);
  evaluator::PeltExpressionEvaluator evaluator;
  const std::u16string expression = FromUtf8(example.expression);
  Inline cell;
  if (evaluator.VerifyExpression(&table.table, expression) == evaluator::kFalse) {
    cell = {Remark(ToUtf8(evaluator.Message()))};
  } else {
    const std::u16string label =
        evaluator.MakeLabel(&table.table, table.row, expression, table.words);
    cell = evaluator.LastCallSucceeded() ? TextCell(label)
                                         : Inline{Remark("fails: " + ToUtf8(evaluator.Message()))};
  }
  value::ClearUserLocaleOverride();
  return cell;
}

std::string LocaleProblem(std::string_view locale) {
  if (value::IsKnownLocale(locale)) return "";
  return "unknown locale '" + std::string(locale) + "'" +
         value::DidYouMean(value::NearestKnownLocales(locale));
}

std::optional<Table> FormatExamples(std::span<const std::string> locales,
                                    std::span<const SourceLine> rows, std::string& error) {
  Table table{{"Value", "Picture"}, {}, {}};
  table.headings.insert(table.headings.end(), locales.begin(), locales.end());
  for (const SourceLine& row : rows) {
    const auto parts = SplitRow(row.text, 2);
    const std::optional<ExampleValue> v = parts ? WholeValue((*parts)[0]) : std::nullopt;
    if (!v) {
      error = RowError(row, "expected VALUE | PICTURE");
      return std::nullopt;
    }
    std::vector<Inline>& cells = table.rows.emplace_back();
    cells.push_back({Code(v->shown)});
    cells.push_back({Code((*parts)[1])});
    for (const std::string& locale : locales)
      cells.push_back(FormatCell(v->value, (*parts)[1], locale));
  }
  return table;
}

std::optional<Table> LabelExamples(std::span<const std::string> locales, bool warnings,
                                   std::span<const SourceLine> rows, std::string& error) {
  std::vector<LabelExample> examples;
  for (const SourceLine& row : rows) {
    std::optional<LabelExample> example = ReadLabelRow(row.text);
    if (!example) {
      error = RowError(row, "expected NAME=VALUE ... | EXPRESSION");
      return std::nullopt;
    }
    examples.push_back(std::move(*example));
  }
  std::vector<std::string> names;
  Table table{LabelHeadings(examples, locales, names), {}, {}};
  if (warnings) table.headings.push_back("pelt-label warns");
  for (const LabelExample& example : examples) {
    std::vector<Inline>& cells = table.rows.emplace_back();
    for (const std::string& name : names) cells.push_back(ValueOf(example, name));
    cells.push_back({Code(example.expression)});
    for (const std::string& locale : locales) cells.push_back(LabelCell(example, locale));
    if (warnings) cells.push_back(WarningsCell(example));
  }
  return table;
}

std::optional<Table> LocaleExamples(std::span<const std::string> locales,
                                    std::span<const SourceLine> rows, std::string& error) {
  Table table{{"Locale"}, {}, {}};
  struct Column {
    ExampleValue value;
    std::string picture;
  };
  std::vector<Column> columns;
  for (const SourceLine& row : rows) {
    const auto parts = SplitRow(row.text, 3);
    std::optional<ExampleValue> v = parts ? WholeValue((*parts)[1]) : std::nullopt;
    if (!v) {
      error = RowError(row, "expected HEADING | VALUE | PICTURE");
      return std::nullopt;
    }
    table.headings.push_back((*parts)[0]);
    columns.push_back({std::move(*v), (*parts)[2]});
  }
  for (const std::string& locale : locales) {
    std::vector<Inline>& cells = table.rows.emplace_back();
    cells.push_back({Code(locale)});
    for (const Column& column : columns) {
      cells.push_back(FormatCell(column.value.value, column.picture, locale));
    }
  }
  return table;
}

void ShareCommonColumn(Table& table) {
  if (table.rows.size() < 2) return;
  for (std::size_t column = 0; column < table.headings.size(); ++column) {
    const std::string& heading = table.headings[column];
    if (heading != "Value" && heading != "Picture" && heading != "Expression") continue;
    const Inline& first = table.rows.front()[column];
    const bool shared = std::all_of(table.rows.begin(), table.rows.end(), [&](const auto& cells) {
      return cells[column].size() == 1 && first.size() == 1 &&
             cells[column][0].text == first[0].text;
    });
    if (!shared) continue;
    std::string lower = heading;
    lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
    table.caption = {{Span::Kind::kText, "In every row the " + lower + " is "},
                     first[0],
                     {Span::Kind::kText, ":"}};
    table.headings.erase(table.headings.begin() + static_cast<std::ptrdiff_t>(column));
    for (auto& cells : table.rows) cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(column));
    return;
  }
}

}  // namespace pelt::reference
