"""The expression function pelt_label('<label expression>')."""

from __future__ import annotations

from typing import Any, Dict, List, Optional, Tuple

from qgis.core import (
    QgsExpression,
    QgsExpressionContext,
    QgsExpressionFunction,
    QgsExpressionNodeFunction,
    QgsFeatureRequest,
)

import peltexpressions

from . import native_function
from .function_help import help_text
from .qgis_values import field_types, python_value
from .reserved_words import words_for

NAME = "pelt_label"
GROUP = "Pelt Labels"

# One prepared expression per (expression, field names); an invalid one
# keeps its message. Layers share entries when
# their fields are alike. Bounded, as expressions typed one character at a
# time in QGIS's expression dialog would otherwise pile up.
_Entry = Tuple[Optional[peltexpressions.Expression], str]
_MAX_ENTRIES = 256


class PeltLabelFunction(QgsExpressionFunction):
    """pelt_label(expression): the label of the current feature."""

    def __init__(self) -> None:
        super().__init__(NAME, [QgsExpressionFunction.Parameter("expression")], GROUP,
                         help_text())
        self._prepared: Dict[Tuple[str, Tuple[str, ...]], _Entry] = {}

    def _entry(self, expression: str, context: QgsExpressionContext) -> _Entry:
        fields = context.fields()
        if fields.count() == 0 and context.feature().isValid():
            fields = context.feature().fields()
        key = (expression, tuple(fields.names()))
        entry = self._prepared.get(key)
        if entry is None:
            try:
                entry = (peltexpressions.Expression(expression, field_types(fields),
                                                    convert=python_value), "")
            except peltexpressions.InvalidExpression as invalid:
                entry = (None, invalid.message)
            if len(self._prepared) >= _MAX_ENTRIES:
                self._prepared.clear()
            self._prepared[key] = entry
        return entry

    def func(self, values: List[Any], context: QgsExpressionContext, parent: QgsExpression,
             node: QgsExpressionNodeFunction) -> Any:
        expression = values[0]
        if not isinstance(expression, str):
            parent.setEvalErrorString(f"{NAME} takes a label expression as text")
            return None
        if context is None:
            context = QgsExpressionContext()
        prepared, message = self._entry(expression, context)
        if prepared is None:
            parent.setEvalErrorString(message)
            return None
        feature = context.feature()
        try:
            words = words_for(prepared.reserved_words_used, context, feature)
            return prepared.label(feature.attributes(), words)
        except Exception as error:  # noqa: BLE001 - QGIS shows it as the expression's error
            parent.setEvalErrorString(str(error))
            return None

    def usesGeometry(self, node: QgsExpressionNodeFunction) -> bool:  # noqa: N802
        return False

    def referencedColumns(self, node: QgsExpressionNodeFunction) -> set:  # noqa: N802
        return {QgsFeatureRequest.ALL_ATTRIBUTES}

    def isStatic(self, node, parent, context) -> bool:  # noqa: N802
        return False


# The Python function, kept alive while registered: the native one hands it
# the calls that need the context's words.
_registered: Optional[PeltLabelFunction] = None


def register() -> None:
    """Registers pelt_label with QGIS's expression engine, once: native when it loads."""
    global _registered
    if _registered is None:
        function = PeltLabelFunction()
        if QgsExpression.isFunctionName(NAME):
            QgsExpression.unregisterFunction(NAME)
        if not native_function.register(function.helpText(), function):
            QgsExpression.registerFunction(function)
        _registered = function


def unregister() -> None:
    global _registered
    if _registered is not None:
        if native_function.loaded():
            native_function.unregister()
        else:
            QgsExpression.unregisterFunction(NAME)
        _registered = None
