#include "source_labels.h"

#include "expression_warnings.h"
#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/value/text.h"

namespace pelt::python {
namespace {

using Outcome = SourceLabels::Outcome;

SourceLabels Refused(Outcome outcome, std::string message) {
  SourceLabels result;
  result.outcome = outcome;
  result.message = std::move(message);
  return result;
}

// Tells the table to decode only the fields the expression names. With a
// filter every field is read, since GDAL evaluates it on the fields it reads.
void ReadOnlyExpressionFields(evaluator::PeltExpressionEvaluator& verified, bool filtered,
                              gdal::LayerTable& table) {
  if (filtered) return;
  std::vector<std::u16string> names;
  for (const language::Token& token : verified.Tokens()) {
    if (token.kind == language::TokenKind::kField) names.push_back(token.text);
  }
  if (names.empty()) names.push_back(u"");  // no field at all: skip them all
  // A refused list only costs speed.
  static_cast<void>(table.ReadOnlyFields(names));
}

Outcome OpenFailure(gdal::OpenErrorKind kind) {
  switch (kind) {
    case gdal::OpenErrorKind::kNotFound: return Outcome::kNotFound;
    case gdal::OpenErrorKind::kNotVectorData:
    case gdal::OpenErrorKind::kUnreadable:
    case gdal::OpenErrorKind::kNoLayers: return Outcome::kCannotOpen;
    case gdal::OpenErrorKind::kUnknownLayer:
    case gdal::OpenErrorKind::kLayerIndexOutOfRange:
    case gdal::OpenErrorKind::kLayerChoiceNeeded:
    case gdal::OpenErrorKind::kBadOpenOption: break;
  }
  return Outcome::kBadChoice;
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kLabelled: return "labelled";
    case Outcome::kNotFound: return "not found";
    case Outcome::kCannotOpen: return "cannot open";
    case Outcome::kBadChoice: return "bad choice";
    case Outcome::kFilterRefused: return "where refused";
    case Outcome::kInvalidExpression: return "invalid";
    case Outcome::kWordGivenTwice: return "word given twice";
    case Outcome::kReadFailed: return "read failed";
  }
  return "read failed";
}

SourceLabels LabelSource(const SourceRequest& request) {
  gdal::OpenError open_error;
  std::unique_ptr<gdal::Source> source =
      gdal::Source::Open(request.path, request.open_options, open_error);
  std::unique_ptr<gdal::LayerTable> table =
      source ? source->OpenLayer(request.layer, open_error) : nullptr;
  if (!table) return Refused(OpenFailure(open_error.kind), open_error.message);
  if (request.where) {
    const host::Status status = table->SetAttributeFilter(*request.where);
    if (!status.ok()) return Refused(Outcome::kFilterRefused, value::ToUtf8(status.description()));
  }
  gdal::RunWords words;
  if (!StartWords(words, request.words, request.now)) {
    return Refused(Outcome::kWordGivenTwice, "");
  }
  words.AddLayer(table->name(), request.path);
  evaluator::PeltExpressionEvaluator evaluator;
  const bool valid =
      evaluator.VerifyExpression(table.get(), request.expression) != evaluator::kFalse;
  std::vector<std::u16string> warnings =
      ExpressionWarningTexts(request.expression, evaluator, table.get(), words.Names());
  if (!valid) {
    SourceLabels refused = Refused(Outcome::kInvalidExpression, value::ToUtf8(evaluator.Message()));
    refused.warnings = std::move(warnings);
    return refused;
  }
  ReadOnlyExpressionFields(evaluator, request.where.has_value(), *table);

  SourceLabels result;
  result.warnings = std::move(warnings);
  Labels& labels = result.labels;
  UnreadDateCount unread(labels);
  gdal::FeatureCursor cursor = table->Features();
  const evaluator::CollectionRef collection = words.collection();
  for (std::int64_t row = 1; cursor.Next(); ++row) {
    words.SetFeature(cursor.fid(), row);
    unread.Start(row - 1);
    const std::u16string_view label =
        evaluator.MakeLabelView(table.get(), &cursor.row(), request.expression, collection);
    // "" is a failure or an empty label; the evaluator's verdict tells.
    if (evaluator.LastCallSucceeded()) {
      labels.text += label;
    } else if (labels.failed++ == 0) {
      labels.first_failed_row = row - 1;
      labels.first_failure = value::ToUtf8(evaluator.Message());
    }
    labels.ends.push_back(labels.text.size());
    result.fids.push_back(cursor.fid());
  }
  unread.Finish();
  if (!cursor.status().ok()) {
    return Refused(Outcome::kReadFailed, value::ToUtf8(cursor.status().description()));
  }
  return result;
}

}  // namespace pelt::python
