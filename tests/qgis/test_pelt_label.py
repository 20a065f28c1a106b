import os
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest
from conftest import pelt_labels, verify_message
from qgis.core import (
    QgsExpression,
    QgsExpressionContext,
    QgsExpressionContextScope,
    QgsExpressionContextUtils,
    QgsVectorLayer,
)

# Every field type of the sample, formatting statements, and the words
# pelt-label gives ($$DATE and $$TIME change too slowly to differ): the
# first three the native pelt_label makes itself, the last through Python.
EXPRESSIONS = [
    "[NAME].UCase - [POPULATION].FormatNumber(0)",
    "[COUNTRY] [ELEVATION].Format(#,##0) [AREA_KM2].Round(1) [MEAN_TEMP]",
    "[CAPITAL] [SURVEYED] [UPDATED] [fid]",
    "$$FID: [NAME].Left(3) $$LAYER $$SOURCE $$DATE",
]


def evaluate(expression, layer, feature, scope=None):
    context = QgsExpressionContext(QgsExpressionContextUtils.globalProjectLayerScopes(layer))
    if scope is not None:
        context.appendScope(scope)
    context.setFeature(feature)
    parsed = QgsExpression(expression)
    return parsed.evaluate(context), parsed.evalErrorString()


@pytest.mark.parametrize("expression", EXPRESSIONS)
def test_pelt_label_gives_pelt_labels_text(sample_layer, expression):
    expected = pelt_labels(expression)
    quoted = "pelt_label(" + QgsExpression.quotedString(expression) + ")"
    got = {f.id(): evaluate(quoted, sample_layer, f)[0] for f in sample_layer.getFeatures()}
    assert got == expected and len(got) == sample_layer.featureCount()


def test_threads_label_side_by_side(sample_layer):
    # QGIS renders and labels on several threads at once; the last
    # expression goes through Python, which each thread then waits for.
    features = list(sample_layer.getFeatures())

    def labels(expression):
        quoted = "pelt_label(" + QgsExpression.quotedString(expression) + ")"
        return {f.id(): evaluate(quoted, sample_layer, f)[0] for f in features}

    with ThreadPoolExecutor(4) as pool:
        got = list(pool.map(labels, EXPRESSIONS * 3))
    assert got == [pelt_labels(expression) for expression in EXPRESSIONS] * 3


# Variables reach reserved words whatever their case; a variable wins over
# pelt-label's own word.
VARIABLES = [
    ("$$LAYER_NAME $$layer_name", {}, "sample sample"),
    ("$$PROJECT_TITLE|$$Unknown_Word", {}, "|"),
    ("$$PAGE $$Fid", {"page": 4, "FID": "f"}, "4 f"),
    ("$$ROW $$WHEN", {"row_number": 12, "when": None}, "12 "),
]


@pytest.mark.parametrize("expression,variables,expected", VARIABLES)
def test_variables_reach_reserved_words(sample_layer, expression, variables, expected):
    scope = QgsExpressionContextScope()
    for name, value in variables.items():
        scope.setVariable(name, value)
    feature = next(sample_layer.getFeatures())
    quoted = "pelt_label(" + QgsExpression.quotedString(expression) + ")"
    assert evaluate(quoted, sample_layer, feature, scope) == (expected, "")


def test_invalid_expression_is_qgis_eval_error(sample_layer):
    message = verify_message("[MISSING].UCase")
    feature = next(sample_layer.getFeatures())
    assert evaluate("pelt_label('[MISSING].UCase')", sample_layer, feature) == (None, message)



# GDAL type, subtype and the first feature's value; the second feature's are null.
FIELD_TYPES = {
    "BOOL": ("OFTInteger", "OFSTBoolean", 1), "SHORT": ("OFTInteger", "OFSTInt16", -7),
    "INT": ("OFTInteger", None, 42), "BIG": ("OFTInteger64", None, 2**40),
    "REAL": ("OFTReal", None, 2.5), "FLOAT": ("OFTReal", "OFSTFloat32", 0.25),
    "TEXT": ("OFTString", None, "Zürich"), "DAY": ("OFTDate", None, "2024-02-29"),
    "CLOCK": ("OFTTime", None, "13:45:10"), "WHEN": ("OFTDateTime", None, "2024-03-15 08:30:00"),
    "NAMES": ("OFTStringList", None, ["a", "b"]), "INTS": ("OFTIntegerList", None, [1, 2]),
    "REALS": ("OFTRealList", None, [1.5, -2.0]),
}


def test_every_field_type(qgis_app, tmp_path):
    from osgeo import ogr

    path = tmp_path / "types.geojson"  # keeps times and lists as such
    dataset = ogr.GetDriverByName("GeoJSON").CreateDataSource(str(path))
    layer = dataset.CreateLayer("types", geom_type=ogr.wkbPoint)
    for name, (kind, subtype, _) in FIELD_TYPES.items():
        field = ogr.FieldDefn(name, getattr(ogr, kind))
        if subtype:
            field.SetSubType(getattr(ogr, subtype))
        layer.CreateField(field)
    for filled in (True, False):
        feature = ogr.Feature(layer.GetLayerDefn())
        for name, (_, _, value) in FIELD_TYPES.items():
            if filled:
                feature[name] = value
        layer.CreateFeature(feature)
    dataset = None
    expression = " ".join(f"[{name}]" for name in FIELD_TYPES)
    source = QgsVectorLayer(str(path), "types", "ogr")
    quoted = "pelt_label(" + QgsExpression.quotedString(expression) + ")"
    got = {f.id(): evaluate(quoted, source, f)[0] for f in source.getFeatures()}
    assert got == pelt_labels(expression, path) and len(got) == 2


def test_help_is_the_language_reference(qgis_app):
    # The text QGIS's expression dialog shows.
    help_text = QgsExpression.Functions()[QgsExpression.functionIndex("pelt_label")].helpText()
    assert "pelt_label" in help_text and "Reserved words" in help_text and ".FormatNumber" in help_text


def test_native_pelt_label_serves_when_its_library_is_named(qgis_app):
    # The check names the built library: its tests must run the native path.
    from peltlabels import native_function
    from peltlabels.expression_function import PeltLabelFunction

    named = os.environ.get("PELT_QGIS_NATIVE", "")
    if named.lower() != "off" and not Path(named).is_file():
        pytest.skip("PELT_QGIS_NATIVE names no library")
    registered = QgsExpression.Functions()[QgsExpression.functionIndex("pelt_label")]
    assert native_function.loaded() == (named.lower() != "off")
    assert isinstance(registered, PeltLabelFunction) != native_function.loaded()


@pytest.mark.parametrize("content", [None, "not a library"], ids=["missing", "unloadable"])
def test_a_library_that_cannot_serve_leaves_python(qgis_app, tmp_path, monkeypatch, content):
    from peltlabels import native_function
    from peltlabels.expression_function import PeltLabelFunction

    library = tmp_path / "libpeltqgis.so"
    if content is not None:
        library.write_text(content)
    monkeypatch.setenv("PELT_QGIS_NATIVE", str(library))
    assert native_function.register("help", PeltLabelFunction()) is False
