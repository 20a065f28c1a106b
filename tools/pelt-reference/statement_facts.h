#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document.h"
#include "examples.h"

namespace pelt::reference {

// What the statements table (statements.def) says of the statements, as the
// reference shows it: the table's example of each, computed as the
// builder's Help page computes it.

// The names of every statement, in the table's order.
std::vector<std::string> StatementNames();

// What the table holds of a statement: its form, what it takes and works on,
// and its example.
struct StatementFacts {
  Paragraph form;
  Bullets facts;
  LabelExample example;  // of the field VALUE
};

// The facts of the statement named. The form is the source's
// (".Left(count)"); it must name the statement and have as many arguments
// as the table gives it. nullopt with error set otherwise.
std::optional<StatementFacts> FactsOf(const std::string& name, const std::string& form,
                                      std::string& error);

// The example as a table of the columns VALUE, Expression and the locales,
// those of a table of examples such as LabelExamples makes.
Table StatementExampleTable(const LabelExample& example, std::span<const std::string> locales);

// Every statement with what it takes and what it works on.
Table StatementSummary();

}  // namespace pelt::reference
