import os

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
