"""The Processing algorithm "Label features" (peltlabels:label)."""

from __future__ import annotations

import warnings
from typing import Any, Dict

from qgis.core import (
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

from . import native_function
from .labelling_ways import (
    label_feature_by_feature,
    label_in_calculator,
    label_through_calculator,
    write_copy,
)
from .layer_files import file_destination, file_source, input_layer
from .qgis_values import field_types, python_value
from .reserved_words import need_context, source_facts


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
        given = parse_words(self.parameterAsString(parameters, self.RESERVED_WORDS, context))
        # $$LAYER and $$SOURCE as pelt-label names a file's layer, else QGIS's name.
        words = {"LAYER": source.sourceName()}
        layer = input_layer(self, parameters, self.INPUT, context)
        if layer is not None:
            name, file_name = source_facts(layer.source())
            if file_name is not None:
                words.update({"LAYER": name or source.sourceName(), "SOURCE": file_name})
        if source.fields().lookupField(field_name) >= 0:
            raise QgsProcessingException(f"layer '{words['LAYER']}' already has a field "
                                         f"'{field_name}' (choose another label field name)")
        words = {key: value for key, value in words.items()
                 if key.casefold() not in {name.casefold() for name in given}}
        words.update(given)
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            try:
                result = self._label(parameters, context, feedback, source, expression,
                                     field_name, given, words)
            except peltexpressions.InvalidExpression as invalid:
                raise QgsProcessingException(invalid.message) from None
            except (ValueError, OSError) as refused:
                raise QgsProcessingException(str(refused)) from None
        for text in dict.fromkeys(str(warning.message) for warning in caught):
            feedback.pushWarning(text)
        return {self.OUTPUT: result}

    def _label(self, parameters, context, feedback, source, expression, field_name, given,
               words):
        """The output, made by the fastest of the labelling ways that serves.

        The library supplies the words of a file's layer itself; given are
        the user's, words those with the layer's for labels made here.
        """
        fields = source.fields()
        # Verified against QGIS's view of the fields, whichever way labels.
        prepared = peltexpressions.Expression(expression, field_types(fields),
                                              convert=python_value)
        in_file = file_source(self, parameters, self.INPUT, context)
        if in_file is not None:
            out_file = file_destination(self, parameters, self.OUTPUT, context)
            if out_file is not None:
                return write_copy(in_file, out_file, expression, field_name, given,
                                  parameters.get(self.OUTPUT),
                                  self.parameterDefinition(self.OUTPUT).description(), context)
            output = None
            # The native pelt_label labels in the copy what needs no word
            # from QGIS or the user.
            used = prepared.reserved_words_used
            given_names = {name.casefold() for name in given}
            if (native_function.loaded() and not need_context(used)
                    and not any(word.casefold() in given_names for word in used)):
                output = label_in_calculator(expression, fields, field_name, given, parameters,
                                             context, feedback)
            if output is None:
                output = label_through_calculator(in_file, expression, field_name, given,
                                                  parameters, context, feedback)
            if output is not None:
                return output
        out_fields = QgsFields(fields)
        out_fields.append(QgsField(field_name, QVariant.String))
        sink, dest = self.parameterAsSink(parameters, self.OUTPUT, context, out_fields,
                                          source.wkbType(), source.sourceCrs())
        if sink is None:
            raise QgsProcessingException(self.invalidSinkError(parameters, self.OUTPUT))
        label_feature_by_feature(source, prepared, words, sink, feedback)
        return dest
