"""The Processing algorithm "Label features" (peltlabels:label)."""

from __future__ import annotations

from typing import Any, Dict, List

from qgis.core import (
    QgsFeatureRequest,
    QgsFeatureSink,
    QgsField,
    QgsFields,
    QgsProcessing,
    QgsProcessingAlgorithm,
    QgsProcessingException,
    QgsProcessingParameterFeatureSink,
    QgsProcessingParameterFeatureSource,
    QgsProcessingParameterString,
)
from qgis.PyQt.QtCore import QVariant

import peltexpressions

from .qgis_values import field_types, python_value
from .reserved_words import source_facts

# Labels are made a batch at a time: one call into the library per batch.
BATCH = 8192


def parse_words(text: str) -> Dict[str, str]:
    """KEY=VALUE lines (or ;-separated) as reserved words, as pelt-label's --set gives them."""
    words = {}
    for item in text.replace(";", "\n").splitlines():
        if not item.strip():
            continue
        key, sep, value = item.partition("=")
        if not sep or not key.strip():
            raise QgsProcessingException(f"reserved word '{item.strip()}' is not KEY=VALUE")
        words[key.strip()] = value
    return words


class LabelFeaturesAlgorithm(QgsProcessingAlgorithm):
    INPUT = "INPUT"
    EXPRESSION = "EXPRESSION"
    FIELD_NAME = "FIELD_NAME"
    RESERVED_WORDS = "RESERVED_WORDS"
    OUTPUT = "OUTPUT"

    def name(self) -> str:
        return "label"

    def displayName(self) -> str:  # noqa: N802
        return "Label features"

    def shortHelpString(self) -> str:  # noqa: N802
        return (
            "Adds a text field with the label of every feature, made from a label expression "
            "such as [NAME].UCase - [POP].FormatNumber(0), as pelt-label label --to makes it. "
            "Reserved words: $$DATE, $$TIME, $$LAYER, $$SOURCE, $$FID, $$ROW and any "
            "KEY=VALUE given (one a line or separated by ;), which wins. A label that fails "
            "is empty."
        )

    def createInstance(self) -> "LabelFeaturesAlgorithm":  # noqa: N802
        return LabelFeaturesAlgorithm()

    def initAlgorithm(self, config: Any = None) -> None:  # noqa: N802
        self.addParameter(QgsProcessingParameterFeatureSource(
            self.INPUT, "Input layer", [QgsProcessing.TypeVector]))
        self.addParameter(QgsProcessingParameterString(self.EXPRESSION, "Label expression"))
        self.addParameter(QgsProcessingParameterString(self.FIELD_NAME, "Label field name",
                                                       defaultValue="label"))
        self.addParameter(QgsProcessingParameterString(
            self.RESERVED_WORDS, "Reserved words (KEY=VALUE)", multiLine=True, optional=True))
        self.addParameter(QgsProcessingParameterFeatureSink(self.OUTPUT, "Labelled"))

    def processAlgorithm(self, parameters, context, feedback):  # noqa: N802
        source = self.parameterAsSource(parameters, self.INPUT, context)
        if source is None:
            raise QgsProcessingException(self.invalidSourceError(parameters, self.INPUT))
        expression = self.parameterAsString(parameters, self.EXPRESSION, context)
        field_name = self.parameterAsString(parameters, self.FIELD_NAME, context)
        words = {"LAYER": source.sourceName()}
        layer = self.parameterAsVectorLayer(parameters, self.INPUT, context)
        if layer is not None:
            name, file_name = source_facts(layer.source())
            if file_name is not None:
                words.update({"LAYER": name or source.sourceName(), "SOURCE": file_name})
        given = parse_words(self.parameterAsString(parameters, self.RESERVED_WORDS, context))
        words = {key: value for key, value in words.items()
                 if key.casefold() not in {name.casefold() for name in given}}
        words.update(given)

        fields = source.fields()
        try:
            prepared = peltexpressions.Expression(expression, field_types(fields),
                                                  convert=python_value)
        except peltexpressions.InvalidExpression as invalid:
            raise QgsProcessingException(invalid.message) from None
        out_fields = QgsFields(fields)
        out_fields.append(QgsField(field_name, QVariant.String))
        sink, dest = self.parameterAsSink(parameters, self.OUTPUT, context, out_fields,
                                          source.wkbType(), source.sourceCrs())
        if sink is None:
            raise QgsProcessingException(self.invalidSinkError(parameters, self.OUTPUT))

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
        return {self.OUTPUT: dest}
