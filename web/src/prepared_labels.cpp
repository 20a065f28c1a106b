#include "prepared_labels.h"

#include <ctime>

#include "locale_override.h"
#include "pelt/value/text.h"

namespace pelt::web {

PreparedLabels::PreparedLabels(const std::string& expression, std::vector<host::FieldSpec> fields,
                               const std::string& locale_id)
    : locale_id_(locale_id), expression_(value::FromUtf8(expression)), field_count_(fields.size()),
      table_(std::move(fields)) {
  const LocaleOverride scope(locale_id_);
  valid_ = evaluator_.VerifyExpression(&table_, expression_) != evaluator::kFalse;
  if (!valid_) {
    message_ = value::ToUtf8(evaluator_.Message());
    return;
  }
  read_ = evaluator::FieldsRead(evaluator_.Tokens(), table_);
}

bool PreparedLabels::GiveWord(const std::string& key, int kind, double number,
                              const std::string& text) {
  return words_.Give(value::FromUtf8(key),
                     CellValue(static_cast<CellKind>(kind), number, value::FromUtf8(text)));
}

void PreparedLabels::LabelRows(std::size_t rows, std::size_t text_bytes, bool fids,
                               double first_row) {
  cells_.TakeText(text_bytes);
  if (!started_) {
    words_.AddClock(std::time(nullptr));
    // A table in the browser has no layer or file: LAYER and SOURCE are ""
    // unless given.
    if (fids) words_.AddLayer(u"", u"");
    started_ = true;
  }
  labels_.clear();
  label_ends_.clear();
  label_ends_.reserve(rows);
  const LocaleOverride scope(locale_id_);
  // Verified when made: the fields cannot have changed since.
  const bool prepared = evaluator_.PrepareLabels(&table_, expression_, words_.collection());
  // Fields the expression does not read stay null.
  host::MemoryRow row(std::vector<value::Variant>(field_count_, value::Variant::Null()));
  std::size_t cell = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    for (const std::size_t field : read_) cells_.ReadInto(cell++, row.At(field));
    if (fids) {
      words_.SetFeature(CellValue(CellKind::kInteger, cells_.Fid(r), {}),
                        CellValue(CellKind::kInteger, first_row + static_cast<double>(r), {}));
    }
    const std::u16string_view made = evaluator_.MakePreparedLabel(&row);
    if (prepared && evaluator_.LastCallSucceeded()) {
      labels_ += made;
    } else {
      ++failed_;
    }
    label_ends_.push_back(static_cast<std::uint32_t>(labels_.size()));
  }
  value::AssignUtf8(labels_, labels_utf8_);
}

std::uintptr_t PreparedLabels::LabelsAddress() const {
  return reinterpret_cast<std::uintptr_t>(labels_utf8_.data());
}

std::uintptr_t PreparedLabels::LabelEndsAddress() const {
  return reinterpret_cast<std::uintptr_t>(label_ends_.data());
}

}  // namespace pelt::web
