"""The layer action "Edit label expression…": the expression builder of pelt-label.

The builder runs as its own process (`pelt-label edit SOURCE EXPR`), since
it is built on another Qt than QGIS; on OK it prints the expression, which
becomes the layer's labels.
"""

from __future__ import annotations

import os
import shutil
from typing import List, Optional

from qgis.core import Qgis, QgsMapLayerType, QgsProviderRegistry, QgsVectorLayer
from qgis.PyQt.QtCore import QProcess
from qgis.PyQt.QtWidgets import QAction

from .layer_labels import label_expression, set_label_expression

TITLE = "Pelt Labels"


def pelt_label_program() -> Optional[str]:
    """pelt-label as PELT_LABEL names it, or on PATH; None when not installed."""
    named = os.environ.get("PELT_LABEL")
    if named and os.access(named, os.X_OK):
        return named
    return shutil.which("pelt-label")


def edit_arguments(layer: QgsVectorLayer) -> Optional[List[str]]:
    """pelt-label's arguments for the builder on the layer's source; None when not a file."""
    parts = QgsProviderRegistry.instance().decodeUri(layer.providerType(), layer.source())
    path = parts.get("path") or ""
    if not os.path.exists(path):
        return None
    arguments = ["edit"]
    if isinstance(parts.get("layerName"), str) and parts["layerName"]:
        arguments += ["--layer", parts["layerName"]]
    elif isinstance(parts.get("layerId"), int):
        arguments += ["--layer", str(parts["layerId"])]
    return arguments + [path, label_expression(layer) or ""]


class EditLabelExpressionAction:
    """The action in the layer tree's menu of every vector layer."""

    def __init__(self, iface) -> None:
        self.iface = iface
        self.process: Optional[QProcess] = None
        self.action = QAction("Edit label expression…", iface.mainWindow())
        self.action.triggered.connect(self.edit)
        iface.addCustomActionForLayerType(self.action, "", QgsMapLayerType.VectorLayer, True)

    def remove(self) -> None:
        self.iface.removeCustomActionForLayerType(self.action)

    def _warn(self, text: str) -> None:
        self.iface.messageBar().pushMessage(TITLE, text, Qgis.Warning)

    def edit(self) -> None:
        layer = self.iface.activeLayer()
        if not isinstance(layer, QgsVectorLayer):
            return
        program = pelt_label_program()
        if program is None:
            self._warn("pelt-label is not installed: the expression builder comes with it "
                       "(or set PELT_LABEL to the program).")
            return
        arguments = edit_arguments(layer)
        if arguments is None:
            self._warn("the expression builder reads layers from files only.")
            return
        process = QProcess()
        process.finished.connect(lambda code, _status: self._finished(layer, process, code))
        self.process = process
        process.start(program, arguments)

    def _finished(self, layer: QgsVectorLayer, process: QProcess, code: int) -> None:
        if code == 0:
            expression = bytes(process.readAllStandardOutput()).decode("utf-8")
            set_label_expression(layer, expression.rstrip("\r\n"))
        elif code != 1:  # 1: cancelled
            self._warn(bytes(process.readAllStandardError()).decode("utf-8", "replace").strip())
        self.process = None
