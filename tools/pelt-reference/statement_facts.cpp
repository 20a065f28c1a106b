#include "statement_facts.h"

#include <algorithm>

#include "examples.h"
#include "pelt/language/statements.h"
#include "pelt/value/text.h"

namespace pelt::reference {
namespace {

using language::StatementArguments;
using language::StatementInfo;
using language::StatementOperand;

std::string_view TakesText(StatementArguments arguments) {
  switch (arguments) {
    case StatementArguments::kNone: return "nothing, not even parentheses";
    case StatementArguments::kNumber: return "a whole number";
    case StatementArguments::kText: return "a text up to the first )";
    case StatementArguments::kTwoNumbers: return "two whole numbers";
    case StatementArguments::kTwoTexts: return "two texts, the first up to the first comma";
  }
  return "";
}

std::string_view WorksOnText(StatementOperand operand) {
  switch (operand) {
    case StatementOperand::kText:
      return "the text of any value (a number or a date as the locale writes it); null stays "
             "null";
    case StatementOperand::kNumber:
      return "numbers (a Boolean too), and text that reads as a number in the locale; dates, "
             "null and other text stay as they are";
    case StatementOperand::kAnyValue:
      return "every value, null included, each as the picture's kind takes it";
  }
  return "";
}

std::string_view WorksOnBriefly(StatementOperand operand) {
  switch (operand) {
    case StatementOperand::kText: return "text";
    case StatementOperand::kNumber: return "numbers";
    case StatementOperand::kAnyValue: return "any value";
  }
  return "";
}

std::size_t ArgumentCount(StatementArguments arguments) {
  switch (arguments) {
    case StatementArguments::kNone: return 0;
    case StatementArguments::kNumber:
    case StatementArguments::kText: return 1;
    case StatementArguments::kTwoNumbers:
    case StatementArguments::kTwoTexts: return 2;
  }
  return 0;
}

const StatementInfo* Named(const std::string& name) {
  for (const StatementInfo& info : language::Statements()) {
    if (value::ToUtf8(info.name) == name) return &info;
  }
  return nullptr;
}

// The table's example as a label of the field VALUE.
LabelExample Example(const StatementInfo& info) {
  LabelExample example;
  if (std::optional<ExampleValue> v = ExampleValueFromLiteral(info.example_value)) {
    example.fields.push_back({"VALUE", std::move(*v)});
  }
  example.expression = "[VALUE]" + value::ToUtf8(info.example);
  return example;
}

Span Code(std::string text) { return {Span::Kind::kCode, std::move(text)}; }
Span Text(std::string_view text) { return {Span::Kind::kText, std::string(text)}; }

}  // namespace

std::vector<std::string> StatementNames() {
  std::vector<std::string> names;
  for (const StatementInfo& info : language::Statements())
    names.push_back(value::ToUtf8(info.name));
  return names;
}

std::optional<StatementFacts> FactsOf(const std::string& name, const std::string& form,
                                      std::string& error) {
  const StatementInfo* info = Named(name);
  if (info == nullptr) {
    error = "no statement is called " + name;
    return std::nullopt;
  }
  const std::size_t open = form.find('(');
  const std::size_t arguments =
      open == std::string::npos
          ? 0
          : 1 + static_cast<std::size_t>(std::count(form.begin(), form.end(), ','));
  if (form.substr(0, std::min(open, form.size())) != "." + name ||
      arguments != ArgumentCount(info->arguments) ||
      (open != std::string::npos && !form.ends_with(")"))) {
    error = "the form " + form + " does not fit the statement " + name + ", which takes " +
            std::string(TakesText(info->arguments));
    return std::nullopt;
  }
  StatementFacts facts;
  facts.form = Paragraph{{Code(form)}};
  facts.facts = Bullets{{{Text("Takes: "), Text(TakesText(info->arguments)), Text(".")},
                         {Text("Works on: "), Text(WorksOnText(info->operand)), Text(".")}}};
  facts.example = Example(*info);
  return facts;
}

Table StatementExampleTable(const LabelExample& example, std::span<const std::string> locales) {
  Table table{{"VALUE", "Expression"}, {}, {}};
  std::vector<Inline>& cells = table.rows.emplace_back();
  cells.push_back({Code(example.fields.empty() ? "" : example.fields[0].value.shown)});
  cells.push_back({Code(example.expression)});
  for (const std::string& locale : locales) {
    table.headings.push_back(locale);
    cells.push_back(LabelCell(example, locale));
  }
  return table;
}

Table StatementSummary() {
  Table table{{"Statement", "Takes", "Works on"}, {}, {}};
  for (const StatementInfo& info : language::Statements()) {
    std::vector<Inline>& cells = table.rows.emplace_back();
    cells.push_back({Code(value::ToUtf8(info.name))});
    cells.push_back({Text(TakesText(info.arguments))});
    cells.push_back({Text(WorksOnBriefly(info.operand))});
  }
  return table;
}

}  // namespace pelt::reference
