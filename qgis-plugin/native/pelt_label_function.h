#pragma once

#include <qgsexpressionfunction.h>

namespace pelt::qgis {

// pelt_label(expression): the current feature's label, made here when the
// expression needs nothing from QGIS's context but its fields, and
// otherwise by the plugin's Python function (for_words), which gives the
// reserved words from the context's variables. The plugin keeps for_words
// alive as long as this function is registered.
class PeltLabelFunction final : public QgsExpressionFunction {
 public:
  PeltLabelFunction(const QString& help_text, QgsExpressionFunction* for_words);

  QVariant func(const QVariantList& values, const QgsExpressionContext* context,
                QgsExpression* parent, const QgsExpressionNodeFunction* node) override;
  bool usesGeometry(const QgsExpressionNodeFunction* node) const override;
  QSet<QString> referencedColumns(const QgsExpressionNodeFunction* node) const override;
  bool isStatic(const QgsExpressionNodeFunction* node, QgsExpression* parent,
                const QgsExpressionContext* context) const override;

 private:
  QVariant Label(const QVariantList& values, const QgsExpressionContext* context,
                 QgsExpression* parent, const QgsExpressionNodeFunction* node);

  QgsExpressionFunction* for_words_;
};

}  // namespace pelt::qgis
