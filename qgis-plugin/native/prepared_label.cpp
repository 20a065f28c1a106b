#include "prepared_label.h"

#include <qgsfields.h>

#include "label_tally.h"
#include "pelt/value/text.h"
#include "qgis_values.h"

namespace pelt::qgis {
namespace {

std::u16string Utf16(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.constData()),
          static_cast<std::size_t>(text.size())};
}

// Never a null QString, which QGIS would take for NULL.
QString FromUtf16(std::u16string_view text) {
  if (text.empty()) return QString(0, QChar());
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<int>(text.size()));
}

// DATE and TIME, which RunWords::AddClock supplies.
bool IsClockWord(std::u16string_view word) {
  const std::u16string folded = value::CaseFold(word);
  for (const host::RunWordInfo& info : host::RunWordTable()) {
    if ((info.id == host::RunWord::kDate || info.id == host::RunWord::kTime) &&
        value::CaseFold(info.name) == folded) {
      return true;
    }
  }
  return false;
}

}  // namespace

PreparedLabel::PreparedLabel(const QString& expression, const QgsFields& fields)
    : expression_(Utf16(expression)),
      table_(FieldSpecs(fields)),
      row_(std::vector<value::Variant>(static_cast<std::size_t>(fields.count()),
                                       value::Variant::Null())),
      field_count_(static_cast<std::size_t>(fields.count())) {
  valid_ = evaluator_.VerifyExpression(&table_, expression_) != evaluator::kFalse;
  if (!valid_) {
    message_ = FromUtf16(evaluator_.Message());
    return;
  }
  read_ = evaluator::FieldsRead(evaluator_.Tokens(), table_);
  for (const language::Token& token : evaluator_.Tokens()) {
    if (token.kind == language::TokenKind::kReservedWord) {
      if (IsClockWord(token.text)) {
        reads_clock_ = true;
      } else {
        self_contained_ = false;
      }
    }
  }
  Prepare(std::time(nullptr));
}

void PreparedLabel::Prepare(std::time_t now) {
  words_ = std::make_unique<host::RunWords>();
  words_->AddClock(now);
  clock_ = now;
  // Verified when made: the fields cannot have changed since.
  (void)evaluator_.PrepareLabels(&table_, expression_, words_->collection());
}

bool PreparedLabel::Label(const QgsAttributes& attributes, std::int64_t fid, QString& label) {
  if (static_cast<std::size_t>(attributes.size()) != field_count_) {
    // Worded as the Python function's Expression.label refuses such a row.
    label = QStringLiteral("a row must hold one value per field (%1), not %2")
                .arg(field_count_)
                .arg(attributes.size());
    return false;
  }
  if (reads_clock_) {
    const std::time_t now = std::time(nullptr);
    if (now != clock_) Prepare(now);
  }
  for (const std::size_t field : read_) {
    ReadValue(attributes.at(static_cast<int>(field)), row_.At(field));
  }
  LabelTally* tally = ThreadTally();
  if (tally != nullptr) tally->unread.item = fid;
  const std::u16string_view made = evaluator_.MakePreparedLabel(&row_);
  const bool made_one = evaluator_.LastCallSucceeded();
  label = FromUtf16(made_one ? made : std::u16string_view());
  if (tally != nullptr) {
    ++tally->labels;
    if (!made_one && tally->failed++ == 0) {
      tally->first_failed_fid = fid;
      tally->first_failure = evaluator_.Message();
    }
  }
  return true;
}

}  // namespace pelt::qgis
