"""The four ways "Label features" makes its output, fastest first.

- A file GDAL reads, written to a GeoPackage, GeoJSON or FlatGeobuf file:
  the library reads, labels and writes, as pelt-label label --to does.
- A file GDAL reads, written anywhere else (a temporary layer, a database),
  with an expression that needs no word from QGIS: QGIS's field calculator
  copies the features, labelling each with the native pelt_label.
- Such a file with any other expression: the library labels the file, and
  the field calculator copies the features, taking each label from an
  array by feature id.
- Anything else: QGIS hands the features over in batches, each labelled in
  one call.
"""

from __future__ import annotations

import os
import warnings
from typing import Any, Dict, List, Mapping, Optional, Tuple, Union

import numpy as np
from qgis.core import (
    QgsApplication,
    QgsExpression,
    QgsExpressionContextScope,
    QgsFeatureRequest,
    QgsFeatureSink,
    QgsProcessingContext,
    QgsProcessingException,
    QgsProcessingFeedback,
    QgsProcessingOutputLayerDefinition,
)

import peltexpressions
from peltexpressions._labels import _warn_failures

from . import native_function
from .expression_function import NAME
from .qgis_values import field_types

# Labels are made a batch at a time: one call into the library per batch.
BATCH = 8192
# Ids spread wider than this many per feature are looked up feature by feature.
_MOST_IDS_PER_FEATURE = 2
# An index is quicker for QGIS than array_get, and $id alone than $id less the base.
_FORMULA = "@pelt_labels[$id]"
_FORMULA_WITH_BASE = "@pelt_labels[$id - @pelt_fid_base]"
_STRING = 2  # the field calculator's FIELD_TYPE for text


def write_copy(source: Tuple[str, Union[int, str, None]], destination: Tuple[str, str],
               expression: str, field_name: str, words: Mapping[str, str],
               output: Any, output_description: str, context: QgsProcessingContext) -> str:
    """Writes the labelled copy with the library; the destination file."""
    path, driver = destination
    # QGIS names the layer of a new file after the file, up to its first dot.
    layer_name = os.path.basename(path).split(".")[0]
    peltexpressions.write_labels(source[0], expression, path, field=field_name, layer=source[1],
                                 reserved_words=words, driver=driver, overwrite=True,
                                 layer_name=layer_name)
    if isinstance(output, QgsProcessingOutputLayerDefinition) and output.destinationProject:
        context.addLayerToLoadOnCompletion(path, QgsProcessingContext.LayerDetails(
            output.destinationName or output_description, output.destinationProject, "OUTPUT"))
    return path


def _labels_by_fid(labels: Any) -> Optional[Tuple[List[Optional[str]], int]]:
    """The labels in a list indexed by fid less a base, and the base; None when ids are sparse.

    Small first ids (a GeoPackage's 1, a Shapefile's 0) get base 0, so that
    the field calculator indexes the list by $id alone.
    """
    fids = labels.index.to_numpy()
    if len(fids) == 0:
        return [], 0
    first = int(fids.min())
    base = 0 if 0 <= first <= BATCH else first
    span = int(fids.max()) - base + 1
    if span > _MOST_IDS_PER_FEATURE * len(fids) + BATCH:
        return None
    by_fid = np.full(span, None, dtype=object)
    by_fid[fids - base] = labels.to_numpy()
    return by_fid.tolist(), base


def _calculator_copy(calculator: Any, formula: str, field_name: str,
                     parameters: Dict[str, Any], context: QgsProcessingContext,
                     feedback: QgsProcessingFeedback) -> Any:
    """The field calculator's output with the field formula makes."""
    results, ok = calculator.run({
        "INPUT": parameters["INPUT"], "FIELD_NAME": field_name, "FIELD_TYPE": _STRING,
        "FIELD_LENGTH": 0, "FIELD_PRECISION": 0, "FORMULA": formula,
        "OUTPUT": parameters["OUTPUT"]}, context, feedback)
    if not ok:
        raise QgsProcessingException("copying the labelled features failed (see the log)")
    return results["OUTPUT"]


def label_in_calculator(expression: str, fields: Any, field_name: str, words: Mapping[str, str],
                        parameters: Dict[str, Any], context: QgsProcessingContext,
                        feedback: QgsProcessingFeedback) -> Optional[Any]:
    """The field calculator's output labelled by pelt_label; None when it cannot serve.

    Warns as read_labels warns for the same labels.
    """
    calculator = QgsApplication.processingRegistry().createAlgorithmById("native:fieldcalculator")
    if calculator is None:
        return None
    for text in peltexpressions.verify(expression, field_types(fields), words).warnings:
        warnings.warn(peltexpressions.ExpressionWarning(text), stacklevel=2)
    formula = f"{NAME}({QgsExpression.quotedString(expression)})"
    native_function.start_tally()
    try:
        output = _calculator_copy(calculator, formula, field_name, parameters, context, feedback)
    finally:
        labels, tally = native_function.take_tally()
    failed, failed_fid, failure, unread, unread_fid, first_unread = tally
    # Rows 0 and 1 of fids stand for the features the tally names.
    _warn_failures((failed, 0, failure, unread, 1, first_unread), labels, stacklevel=2,
                   fids=[failed_fid, unread_fid])
    return output


def label_through_calculator(source: Tuple[str, Union[int, str, None]], expression: str,
                             field_name: str, words: Mapping[str, str],
                             parameters: Dict[str, Any], context: QgsProcessingContext,
                             feedback: QgsProcessingFeedback) -> Optional[Any]:
    """The field calculator's output with the library's labels; None when it cannot serve."""
    calculator = QgsApplication.processingRegistry().createAlgorithmById("native:fieldcalculator")
    if calculator is None:
        return None
    labels = peltexpressions.read_labels(source[0], expression, layer=source[1],
                                         reserved_words=words)
    indexed = _labels_by_fid(labels)
    if indexed is None:
        return None
    scope = QgsExpressionContextScope("Pelt Labels")
    # Static: QGIS looks the variables up once when it prepares the formula,
    # not for every feature.
    scope.setVariable("pelt_labels", indexed[0], True)
    scope.setVariable("pelt_fid_base", indexed[1], True)
    expression_context = context.expressionContext()
    expression_context.appendScope(scope)
    context.setExpressionContext(expression_context)
    try:
        return _calculator_copy(calculator, _FORMULA_WITH_BASE if indexed[1] else _FORMULA,
                                field_name, parameters, context, feedback)
    finally:
        expression_context = context.expressionContext()
        expression_context.popScope()
        context.setExpressionContext(expression_context)


def label_feature_by_feature(source: Any, prepared: peltexpressions.Expression,
                             words: Dict[str, Any], sink: Any,
                             feedback: QgsProcessingFeedback) -> None:
    """Labels what QGIS hands over, a batch of features at a time, into sink."""
    total = source.featureCount()
    done = 0
    batch: List[Any] = []
    rows: List[List[Any]] = []
    fids: List[int] = []

    def flush() -> None:
        nonlocal done
        labels = prepared.label_rows(rows, words, fids, done + 1)
        for feature, row, label in zip(batch, rows, labels):
            row.append(label)
            feature.setAttributes(row)
        sink.addFeatures(batch, QgsFeatureSink.FastInsert)
        done += len(batch)
        batch.clear()
        rows.clear()
        fids.clear()
        if total > 0:
            feedback.setProgress(100.0 * done / total)

    for feature in source.getFeatures(QgsFeatureRequest()):
        if feedback.isCanceled():
            break
        batch.append(feature)
        rows.append(feature.attributes())
        fids.append(feature.id())
        if len(batch) == BATCH:
            flush()
    if batch:
        flush()
