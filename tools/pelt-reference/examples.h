#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "example_values.h"

namespace pelt::reference {

// The examples of the reference, computed by the evaluator and the
// formatting functions in the locales a block names, so that no example
// can show what the program does not give.

// A line of the source, for messages.
struct SourceLine {
  int number = 0;
  std::string text;
};

// One label: a one-row table with these fields, the reserved words given
// these values, and the expression.
struct LabelExample {
  std::vector<NamedValue> fields;
  std::vector<NamedValue> words;  // names without "$$"
  std::string expression;
};

// The label the evaluator makes in the locale: the text, or a remark for a
// refused expression (the verdict), a failed label or an empty one.
Inline LabelCell(const LabelExample& example, const std::string& locale);

// The tables of the example blocks, from their rows; nullopt with error set
// ("LINE: what") for a row that cannot be read.
//   FormatExamples  "VALUE | PICTURE": the value through Format
//   LabelExamples   "NAME=VALUE ... $$WORD=VALUE ... | EXPRESSION"; with
//                   warnings, a column of what pelt-label warns of
//   LocaleExamples  "HEADING | VALUE | PICTURE": a row per locale, a column
//                   per row of the source
std::optional<Table> FormatExamples(std::span<const std::string> locales,
                                    std::span<const SourceLine> rows, std::string& error);
std::optional<Table> LabelExamples(std::span<const std::string> locales, bool warnings,
                                   std::span<const SourceLine> rows, std::string& error);
std::optional<Table> LocaleExamples(std::span<const std::string> locales,
                                    std::span<const SourceLine> rows, std::string& error);

// Takes the first column of a value, a picture or an expression that is the
// same in every row out of the table, into its caption.
void ShareCommonColumn(Table& table);

// "" when the program knows the locale, else why it is refused.
std::string LocaleProblem(std::string_view locale);

}  // namespace pelt::reference
