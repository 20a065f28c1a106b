"""A layer's labels as pelt_label('<expression>'): read and set."""

from __future__ import annotations

from typing import Optional

from qgis.core import (
    QgsExpression,
    QgsExpressionNodeFunction,
    QgsExpressionNodeLiteral,
    QgsPalLayerSettings,
    QgsVectorLayer,
    QgsVectorLayerSimpleLabeling,
)

from .expression_function import NAME


def label_expression(layer: QgsVectorLayer) -> Optional[str]:
    """The expression of the layer's labels when they are pelt_label('<expression>')."""
    labeling = layer.labeling()
    if not isinstance(labeling, QgsVectorLayerSimpleLabeling):
        return None
    settings = labeling.settings()
    if not settings.isExpression:
        return None
    parsed = QgsExpression(settings.fieldName)  # owns the nodes read below
    root = parsed.rootNode()
    if not isinstance(root, QgsExpressionNodeFunction):
        return None
    if root.fnIndex() != QgsExpression.functionIndex(NAME) or root.args().count() != 1:
        return None
    argument = root.args().list()[0]
    if isinstance(argument, QgsExpressionNodeLiteral) and isinstance(argument.value(), str):
        return argument.value()
    return None


def set_label_expression(layer: QgsVectorLayer, expression: str) -> None:
    """Labels the layer with pelt_label('<expression>'), keeping its other label settings."""
    labeling = layer.labeling()
    if isinstance(labeling, QgsVectorLayerSimpleLabeling):
        settings = QgsPalLayerSettings(labeling.settings())
    else:
        settings = QgsPalLayerSettings()
    settings.fieldName = f"{NAME}({QgsExpression.quotedString(expression)})"
    settings.isExpression = True
    layer.setLabeling(QgsVectorLayerSimpleLabeling(settings))
    layer.setLabelsEnabled(True)
    layer.triggerRepaint()
