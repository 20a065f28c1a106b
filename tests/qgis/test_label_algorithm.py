import pytest
from conftest import SAMPLE, pelt_label, verify_message
from qgis.core import (
    QgsApplication,
    QgsProcessingContext,
    QgsProcessingException,
    QgsProcessingFeedback,
    QgsVectorLayer,
)

EXPRESSIONS = [
    "[NAME].UCase - [POPULATION].FormatNumber(0) $$FID/$$ROW $$LAYER $$SOURCE",
    "[SURVEYED] [UPDATED] [CAPITAL] [MEAN_TEMP] $$PAGE",
]


def run(parameters):
    algorithm = QgsApplication.processingRegistry().createAlgorithmById("peltlabels:label")
    context = QgsProcessingContext()
    results, ok = algorithm.run(parameters, context, QgsProcessingFeedback())
    assert ok
    return context.takeResultLayer(results["OUTPUT"])


def labels_of(layer, field):
    return {feature["fid"]: feature[field] for feature in layer.getFeatures()}


@pytest.mark.parametrize("expression", EXPRESSIONS)
def test_output_field_is_pelt_labels(qgis_app, tmp_path, expression):
    expected = tmp_path / "expected.gpkg"
    done = pelt_label("label", "--to", expected, "--field", "LBL", "--set", "PAGE=7", SAMPLE,
                      expression)
    assert done.returncode == 0, done.stderr
    layer = run({"INPUT": str(SAMPLE), "EXPRESSION": expression, "FIELD_NAME": "LBL",
                 "RESERVED_WORDS": "PAGE=7", "OUTPUT": "memory:"})
    assert labels_of(layer, "LBL") == labels_of(QgsVectorLayer(str(expected)), "LBL")
    assert layer.fields().names()[:-1] == QgsVectorLayer(str(SAMPLE)).fields().names()


def test_invalid_expression_stops_the_algorithm(qgis_app):
    algorithm = QgsApplication.processingRegistry().createAlgorithmById("peltlabels:label")
    with pytest.raises(QgsProcessingException) as raised:
        algorithm.processAlgorithm(
            {"INPUT": str(SAMPLE), "EXPRESSION": "[MISSING]", "FIELD_NAME": "L",
             "OUTPUT": "memory:"}, QgsProcessingContext(), QgsProcessingFeedback())
    assert raised.value.args[0] == verify_message("[MISSING]")
