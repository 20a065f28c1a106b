#pragma once

#include <qgsattributes.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "pelt/evaluator/pelt_expression_evaluator.h"
#include "pelt/host/memory_table.h"
#include "pelt/host/run_words.h"

class QgsFields;

namespace pelt::qgis {

// A label expression verified once against a layer's fields, then making
// the label of one feature after another: one evaluator, one thread.
class PreparedLabel {
 public:
  PreparedLabel(const QString& expression, const QgsFields& fields);
  PreparedLabel(const PreparedLabel&) = delete;
  PreparedLabel& operator=(const PreparedLabel&) = delete;

  bool Valid() const { return valid_; }
  // The library's message when the expression is invalid.
  const QString& Message() const { return message_; }
  // True when the expression names no reserved word but DATE and TIME,
  // which the library supplies: labels need nothing from QGIS's context.
  bool SelfContained() const { return self_contained_; }

  // The label of the feature fid ("" when the expression fails on it),
  // counted in the thread's tally if one is kept; false, with the reason in
  // label, when the feature does not have one value per field.
  bool Label(const QgsAttributes& attributes, std::int64_t fid, QString& label);

 private:
  // DATE and TIME of now, and the evaluator prepared with them.
  void Prepare(std::time_t now);

  std::u16string expression_;
  host::MemoryTable table_;
  evaluator::PeltExpressionEvaluator evaluator_;
  std::unique_ptr<host::RunWords> words_;
  host::MemoryRow row_;
  std::vector<std::size_t> read_;
  std::size_t field_count_;
  QString message_;
  bool valid_ = false;
  bool self_contained_ = true;
  bool reads_clock_ = false;
  std::time_t clock_ = 0;
};

}  // namespace pelt::qgis
