#pragma once

#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "label_input.h"
#include "label_request.h"
#include "pelt/adapters/gdal/layer_table.h"

namespace pelt::tools {

// The expression, verified against the layer: the fields it names.
struct VerifiedExpression {
  std::vector<std::u16string> fields;
  bool uses_currency = false;  // some statement shows the locale's currency
};

// Verifies the request's expression once against table; boxes show only
// with --show-messages. nullopt: go on with verified; otherwise the
// expression's message was reported and the command ends with the code
// returned.
// Warnings about the expression follow its message or, when it is valid,
// come before any label.
std::optional<ExitCode> VerifyLabelExpression(const LabelRequest& request, const LabelInput& input,
                                              Streams& io, VerifiedExpression& verified);

// The fields a run decodes from the source.
struct FieldPlan {
  bool every_field = true;            // a copy of the layer needs them all
  std::vector<std::u16string> names;  // otherwise only these
};

FieldPlan PlanFieldReads(const LabelRequest& request, const VerifiedExpression& verified);

// Tells table to decode only the planned fields.
void ApplyFieldPlan(const FieldPlan& plan, gdal::LayerTable& table);

}  // namespace pelt::tools
