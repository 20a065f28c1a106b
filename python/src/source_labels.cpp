#include "source_labels.h"

#include "expression_warnings.h"
#include "pelt/value/text.h"

namespace pelt::python {
namespace {

using Outcome = SourceLabeller::Outcome;

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

Outcome SourceLabeller::Refuse(Outcome outcome, std::string message) {
  message_ = std::move(message);
  return outcome;
}

Outcome SourceLabeller::Open(const SourceRequest& request) {
  gdal::OpenError open_error;
  std::unique_ptr<gdal::Source> source =
      gdal::Source::Open(request.path, request.open_options, open_error);
  // The table keeps the source's dataset open.
  table_ = source ? source->OpenLayer(request.layer, open_error) : nullptr;
  if (!table_) return Refuse(OpenFailure(open_error.kind), open_error.message);
  if (request.where) {
    const host::Status status = table_->SetAttributeFilter(*request.where);
    if (!status.ok()) return Refuse(Outcome::kFilterRefused, value::ToUtf8(status.description()));
  }
  if (!StartWords(words_, request.words, request.now)) return Refuse(Outcome::kWordGivenTwice, "");
  words_.AddLayer(table_->name(), request.path);
  expression_ = request.expression;
  const bool valid = evaluator_.VerifyExpression(table_.get(), expression_) != evaluator::kFalse;
  warnings_ = ExpressionWarningTexts(expression_, evaluator_, table_.get(), words_.Names());
  if (!valid) return Refuse(Outcome::kInvalidExpression, value::ToUtf8(evaluator_.Message()));
  ReadOnlyExpressionFields(evaluator_, request.where.has_value(), *table_);
  cursor_.emplace(table_->Features());
  return Outcome::kLabelled;
}

bool SourceLabeller::LabelMore(std::size_t max_count, Labels& out,
                               std::vector<std::int64_t>& fids) {
  UnreadDateCount unread(out);
  const evaluator::CollectionRef collection = words_.collection();
  bool more = true;
  for (std::size_t done = 0; done < max_count && (more = cursor_->Next()); ++done) {
    words_.SetFeature(cursor_->fid(), ++row_);
    unread.Start(row_ - 1);
    const std::u16string_view label =
        evaluator_.MakeLabelView(table_.get(), &cursor_->row(), expression_, collection);
    // "" is a failure or an empty label; the evaluator's verdict tells.
    if (evaluator_.LastCallSucceeded()) {
      out.text += label;
    } else if (out.failed++ == 0) {
      out.first_failed_row = row_ - 1;
      out.first_failure = value::ToUtf8(evaluator_.Message());
    }
    out.ends.push_back(out.text.size());
    fids.push_back(cursor_->fid());
  }
  unread.Finish();
  return more;
}

Outcome SourceLabeller::Finish() {
  if (!cursor_->status().ok()) {
    return Refuse(Outcome::kReadFailed, value::ToUtf8(cursor_->status().description()));
  }
  return Outcome::kLabelled;
}

}  // namespace pelt::python
