import os
from unittest import mock

from conftest import SAMPLE, pelt_labels
from qgis.core import QgsMapRendererSequentialJob, QgsMapSettings, QgsVectorLayer
from qgis.PyQt.QtCore import QSize
from qgis.PyQt.QtGui import QColor

EXPRESSION = "[NAME].UCase ([POPULATION].FormatNumber(0))"


def test_layer_labels_round_trip_and_render(qgis_app):
    from peltlabels.edit_action import edit_arguments
    from peltlabels.layer_labels import label_expression, set_label_expression

    layer = QgsVectorLayer(str(SAMPLE), "sample", "ogr")
    assert label_expression(layer) is None
    assert edit_arguments(layer) == ["edit", str(SAMPLE), ""]
    set_label_expression(layer, EXPRESSION)
    assert label_expression(layer) == EXPRESSION
    assert edit_arguments(layer)[-1] == EXPRESSION

    settings = QgsMapSettings()
    settings.setLayers([layer])
    settings.setDestinationCrs(layer.crs())
    settings.setExtent(layer.extent().buffered(20))
    settings.setOutputSize(QSize(800, 400))
    settings.setBackgroundColor(QColor("white"))
    job = QgsMapRendererSequentialJob(settings)
    job.start()
    job.waitForFinished()
    placed = {label.labelText for label in job.takeLabelingResults().allLabels()}
    assert placed and placed <= set(pelt_labels(EXPRESSION).values())
    # The README's picture: PELT_UPDATE_SCREENSHOT=<docs folder> writes it.
    if os.environ.get("PELT_UPDATE_SCREENSHOT"):
        job.renderedImage().save(os.path.join(os.environ["PELT_UPDATE_SCREENSHOT"],
                                              "qgis-labels.png"))


# The builder stands in as a script that accepts an expression; without
# pelt-label the action says so.
BUILDERS = [
    ("#!/bin/sh\necho '[NAME].UCase'\n", "[NAME].UCase", None),
    (None, None, "pelt-label is not installed"),
]


def test_edit_action(qgis_app, tmp_path, monkeypatch):
    from peltlabels.edit_action import EditLabelExpressionAction
    from peltlabels.layer_labels import label_expression
    from qgis.PyQt.QtWidgets import QMainWindow

    for script, expression, warning in BUILDERS:
        program = tmp_path / "pelt-label"
        if script:
            program.write_text(script)
            program.chmod(0o755)
        monkeypatch.setenv("PELT_LABEL", str(program) if script else "")
        monkeypatch.setenv("PATH", str(tmp_path / "nowhere"))
        layer = QgsVectorLayer(str(SAMPLE), "sample", "ogr")
        iface = mock.Mock()
        iface.mainWindow.return_value = window = QMainWindow()
        iface.activeLayer.return_value = layer
        action = EditLabelExpressionAction(iface)
        action.edit()
        if action.process is not None:
            assert action.process.waitForFinished(10000)
            qgis_app.processEvents()
        assert label_expression(layer) == expression
        pushed = iface.messageBar().pushMessage.call_args
        assert (pushed is None and warning is None) or warning in pushed[0][1]
        window.close()
