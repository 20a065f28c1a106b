#include "prepared_labels.h"

#include <qgsfields.h>

#include <QHash>
#include <memory>

#include "prepared_label.h"

namespace pelt::qgis {
namespace {

// Expression and field names and types in one text: fields alike share.
QString KeyOf(const QString& expression, const QgsFields& fields) {
  QString key = expression;
  for (int i = 0; i < fields.count(); ++i) {
    const QgsField field = fields.at(i);
    key += QChar(0) + field.name() + QChar(1) + QString::number(field.type());
  }
  return key;
}

struct ThreadPrepared {
  QHash<QString, std::shared_ptr<PreparedLabel>> by_key;
  // The last one found: a layer's features come one after another with
  // the same (shared) expression text and fields, compared in a moment.
  QString last_expression;
  QgsFields last_fields;
  PreparedLabel* last = nullptr;
};

}  // namespace

PreparedLabel& PreparedForThread(const QString& expression, const QgsFields& fields) {
  thread_local ThreadPrepared prepared;
  if (prepared.last != nullptr && prepared.last_expression == expression &&
      prepared.last_fields == fields) {
    return *prepared.last;
  }
  const QString key = KeyOf(expression, fields);
  if (prepared.by_key.size() >= kMaxPerThread && !prepared.by_key.contains(key)) {
    prepared.by_key.clear();
  }
  std::shared_ptr<PreparedLabel>& entry = prepared.by_key[key];
  if (entry == nullptr) entry = std::make_shared<PreparedLabel>(expression, fields);
  prepared.last_expression = expression;
  prepared.last_fields = fields;
  prepared.last = entry.get();
  return *entry;
}

}  // namespace pelt::qgis
