"""The reserved words of a label made inside QGIS.

A word is the expression context's variable of that name, matched
regardless of case ($$LAYER_NAME is @layer_name), and otherwise the word
pelt-label would give: $$FID the feature's id, $$ROW its 1-based row
(@row_number where QGIS numbers rows), $$LAYER the layer's name in its
data source and $$SOURCE the source's file name. $$DATE and $$TIME the package supplies.
"""

from __future__ import annotations

import os
from typing import Any, Dict, Iterable, Optional, Tuple

from osgeo import ogr
from qgis.core import QgsExpression, QgsExpressionContext, QgsFeature, QgsProviderRegistry

from .qgis_values import python_value

_SUPPLIED = {"DATE", "TIME"}


def need_context(words: Iterable[str]) -> bool:
    """True when some of the words is one QGIS's context gives, not the package."""
    return any(word.upper() not in _SUPPLIED for word in words)


def _variable(context: QgsExpressionContext, word: str) -> Optional[Any]:
    """The value of the variable named word regardless of case, or None."""
    names = [name for name in (word.lower(), word) if context.hasVariable(name)]
    if not names:
        folded = word.casefold()
        names = [name for name in context.variableNames() if name.casefold() == folded]
    try:
        return context.variable(names[0]) if names else None
    except TypeError:
        return None  # a value PyQGIS cannot hand over (@layer): no label text


# (layer name, file name) of a data source, as GDAL names them, by layer id.
_layer_facts: Dict[str, Tuple[Optional[str], Optional[str]]] = {}


def source_facts(source: str) -> Tuple[Optional[str], Optional[str]]:
    """The GDAL layer name and the file name of a QGIS data source; None for what is not a file."""
    parts = QgsProviderRegistry.instance().decodeUri("ogr", source)
    path = parts.get("path") or ""
    if not os.path.isfile(path):
        return None, None
    name = parts.get("layerName")
    if not isinstance(name, str) or not name:
        name = None
        # A source of one layer names none: GDAL knows it.
        dataset = ogr.Open(path)
        if dataset is not None and dataset.GetLayerCount() > 0:
            index = parts.get("layerId")
            name = dataset.GetLayer(int(index) if isinstance(index, int) else 0).GetName()
    return name, os.path.basename(path)


def _facts(context: QgsExpressionContext) -> Tuple[Optional[str], Optional[str]]:
    layer_id = context.variable("layer_id")
    if not isinstance(layer_id, str):
        return None, None
    if layer_id not in _layer_facts:
        source = QgsExpression("layer_property(@layer, 'source')").evaluate(context)
        name, file_name = source_facts(source) if isinstance(source, str) else (None, None)
        _layer_facts[layer_id] = (name or context.variable("layer_name"), file_name)
    return _layer_facts[layer_id]


def _fallback(word: str, context: QgsExpressionContext, feature: QgsFeature) -> Optional[Any]:
    upper = word.upper()
    if upper == "FID":
        return feature.id()
    if upper == "ROW":
        return context.variable("row_number") if context.hasVariable("row_number") else None
    if upper == "LAYER":
        return _facts(context)[0]
    if upper == "SOURCE":
        return _facts(context)[1]
    return None


def words_for(words: Iterable[str], context: QgsExpressionContext,
              feature: QgsFeature) -> Dict[str, Any]:
    """The values of the words an expression names, for one feature.

    A word with no value (or none with label text) is left out, so the
    label shows it as the library shows a word nobody gives.
    """
    values = {}
    for word in words:
        if word.upper() in _SUPPLIED:
            continue
        value = python_value(_variable(context, word))
        if value is None:
            value = python_value(_fallback(word, context, feature))
        if value is not None:
            values[word] = value
    return values
