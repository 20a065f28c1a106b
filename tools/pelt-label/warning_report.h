#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/host_table.h"
#include "pelt/warnings/expression_warnings.h"

namespace pelt::tools {

// The warnings about an expression that evaluator has just verified (from
// the tokens its scan left): fields table lacks, words supplied lacks
// (nullopt: the run is not known, no word is checked), and "$$" that the
// shell which started the program replaced. None when io.warnings is off.
std::vector<warnings::Warning> CommandWarnings(const Streams& io, std::u16string_view expression,
                                               evaluator::PeltExpressionEvaluator& evaluator,
                                               host::HostTable* table,
                                               std::optional<std::vector<std::u16string>> supplied);

// Prints each warning on io.err, after prefix ("line 3: ") when given.
void ReportWarnings(Streams& io, std::span<const warnings::Warning> found,
                    std::string_view prefix = {});

}  // namespace pelt::tools
