#include "pelt_label_function.h"

#include <qgsexpression.h>
#include <qgsexpressioncontext.h>
#include <qgsfeaturerequest.h>

#include <exception>

#include "prepared_label.h"
#include "prepared_labels.h"

namespace pelt::qgis {
namespace {

// As the plugin's Python function names itself and its group.
const QString kName = QStringLiteral("pelt_label");
const QString kGroup = QStringLiteral("Pelt Labels");

void SetError(QgsExpression* parent, const QString& message) {
  if (parent != nullptr) parent->setEvalErrorString(message);
}

}  // namespace

PeltLabelFunction::PeltLabelFunction(const QString& help_text, QgsExpressionFunction* for_words)
    : QgsExpressionFunction(kName,
                            QgsExpressionFunction::ParameterList()
                                << QgsExpressionFunction::Parameter(QStringLiteral("expression")),
                            kGroup, help_text),
      for_words_(for_words) {}

QVariant PeltLabelFunction::func(const QVariantList& values, const QgsExpressionContext* context,
                                 QgsExpression* parent, const QgsExpressionNodeFunction* node) {
  // QGIS calls this from its own C++: nothing may be thrown back into it.
  try {
    return Label(values, context, parent, node);
  } catch (const std::exception& error) {
    SetError(parent, kName + QStringLiteral(" could not label: ") + QString::fromUtf8(error.what()));
  } catch (...) {
    SetError(parent, kName + QStringLiteral(" could not label"));
  }
  return {};
}

QVariant PeltLabelFunction::Label(const QVariantList& values, const QgsExpressionContext* context,
                                  QgsExpression* parent, const QgsExpressionNodeFunction* node) {
  if (values.isEmpty() || values.at(0).type() != QVariant::String) {
    SetError(parent, kName + QStringLiteral(" takes a label expression as text"));
    return {};
  }
  const QgsExpressionContext none;
  const QgsExpressionContext& in = context != nullptr ? *context : none;
  const QgsFeature feature = in.feature();
  QgsFields fields = in.fields();
  if (fields.count() == 0 && feature.isValid()) fields = feature.fields();
  PreparedLabel& prepared = PreparedForThread(values.at(0).toString(), fields);
  if (!prepared.Valid()) {
    SetError(parent, prepared.Message());
    return {};
  }
  if (!prepared.SelfContained()) return for_words_->func(values, context, parent, node);
  QString label;
  if (!prepared.Label(feature.attributes(), feature.id(), label)) {
    SetError(parent, label);
    return {};
  }
  return label;
}

bool PeltLabelFunction::usesGeometry(const QgsExpressionNodeFunction*) const { return false; }

QSet<QString> PeltLabelFunction::referencedColumns(const QgsExpressionNodeFunction*) const {
  return {QgsFeatureRequest::ALL_ATTRIBUTES};
}

bool PeltLabelFunction::isStatic(const QgsExpressionNodeFunction*, QgsExpression*,
                                 const QgsExpressionContext*) const {
  return false;
}

}  // namespace pelt::qgis
