#include "source_labels.h"

#include <algorithm>

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

Outcome SourceLabeller::StartCopy(const std::string& path, const gdal::CopyOptions& options) {
  // The copy keeps every field and the geometry: read them all again.
  const host::Status all_fields = table_->ReadOnlyFields({});
  if (!all_fields.ok()) {
    copy_error_ = {gdal::CopyErrorKind::kWriteFailed,
                   "cannot read every field of the source: " +
                       value::ToUtf8(all_fields.description())};
    return Refuse(Outcome::kCopyRefused, copy_error_.message);
  }
  cursor_.emplace(table_->Features());
  copy_ = gdal::LayerCopy::Create(*table_, path, options, copy_error_);
  if (!copy_) return Refuse(Outcome::kCopyRefused, copy_error_.message);
  return Outcome::kLabelled;
}

bool SourceLabeller::LabelMore(std::size_t max_count, Labels& out,
                               std::vector<std::int64_t>& fids) {
  UnreadDateCount unread(out);
  const evaluator::CollectionRef collection = words_.collection();
  const std::size_t count = cursor_->NextBatch(batch_, max_count);
  std::string written;
  // Room for labels as long as the last batch's: the text grows without
  // being copied and its pages touched again.
  out.text.reserve(count * chars_per_label_);
  out.ends.reserve(count);
  (void)evaluator_.PrepareLabels(table_.get(), expression_, collection);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t start = out.text.size();
    words_.SetFeature(batch_.fid(i), ++row_);
    unread.Start(row_ - 1);
    const std::u16string_view label = evaluator_.MakePreparedLabel(&batch_.RowAt(i));
    // "" is a failure or an empty label; the evaluator's verdict tells.
    if (evaluator_.LastCallSucceeded()) {
      out.text += label;
    } else if (out.failed++ == 0) {
      out.first_failed_row = row_ - 1;
      out.first_failure = value::ToUtf8(evaluator_.Message());
    }
    out.ends.push_back(out.text.size());
    fids.push_back(batch_.fid(i));
    if (copy_) {
      written = value::ToUtf8(std::u16string_view(out.text).substr(start));
      if (!copy_->Add(batch_, i, written, copy_error_)) {
        copy_failed_ = true;
        break;
      }
    }
  }
  unread.Finish();
  // A few long labels must not make every later batch ask for much.
  if (count > 0) chars_per_label_ = std::min<std::size_t>(out.text.size() / count + 1, 256);
  return count == max_count && !copy_failed_;
}

Outcome SourceLabeller::Finish() {
  if (copy_failed_) return Refuse(Outcome::kCopyFailed, copy_error_.message);
  if (!cursor_->status().ok()) {
    return Refuse(Outcome::kReadFailed, value::ToUtf8(cursor_->status().description()));
  }
  if (copy_ && !copy_->Commit(copy_error_)) {
    return Refuse(Outcome::kCopyFailed, copy_error_.message);
  }
  return Outcome::kLabelled;
}

}  // namespace pelt::python
