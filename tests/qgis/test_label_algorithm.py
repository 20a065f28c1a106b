import json
import warnings

import peltexpressions
import pytest
from conftest import SAMPLE, pelt_label, verify_message
from qgis.core import (
    QgsApplication,
    QgsProcessingContext,
    QgsProcessingException,
    QgsProcessingFeatureSourceDefinition,
    QgsProcessingFeedback,
    QgsVectorLayer,
)

EXPRESSIONS = [
    "[NAME].UCase - [POPULATION].FormatNumber(0) $$FID/$$ROW $$LAYER $$SOURCE",
    "[SURVEYED] [UPDATED] [CAPITAL] [MEAN_TEMP] $$PAGE",
    "[NAME].UCase - [POPULATION].FormatNumber(0) [SURVEYED] $$DATE",
]
# What the native pelt_label labels by itself, in the field calculator's copy.
NEEDS_NO_CONTEXT = EXPRESSIONS[2]

def renumbered(tmp, first, step):
    """The sample with feature ids first, first + step, …"""
    from osgeo import ogr

    path = tmp / f"ids-{first}-{step}.gpkg"
    dataset = ogr.Open(str(SAMPLE))
    source = dataset.GetLayer(0)
    out = ogr.GetDriverByName("GPKG").CreateDataSource(str(path))
    layer = out.CreateLayer("places", source.GetSpatialRef(), source.GetGeomType())
    definition = source.GetLayerDefn()
    for i in range(definition.GetFieldCount()):
        layer.CreateField(definition.GetFieldDefn(i))
    for n, feature in enumerate(source):
        feature.SetFID(first + n * step)
        layer.CreateFeature(feature)
    out = None
    return path


# The input file, the input as given, the output, the way "Label features"
# must take, the fields the output format cannot hold (GeoJSON has no
# binary), and whether the native pelt_label labels NEEDS_NO_CONTEXT there.
WAYS = [
    ("file to temporary layer", lambda tmp: SAMPLE, str, lambda tmp: "memory:",
     "label_through_calculator", set(), True),
    ("ids from a million", lambda tmp: renumbered(tmp, 1_000_000, 1), str, lambda tmp: "memory:",
     "label_through_calculator", set(), True),
    ("sparse ids", lambda tmp: renumbered(tmp, 1, 1_000_000), str, lambda tmp: "memory:",
     "label_feature_by_feature", set(), True),
    ("file to GeoPackage", lambda tmp: SAMPLE, str, lambda tmp: str(tmp / "out.gpkg"),
     "write_copy", set(), False),
    ("file to GeoJSON", lambda tmp: SAMPLE, str, lambda tmp: str(tmp / "out.geojson"),
     "write_copy", {"PHOTO"}, False),
    ("part of a layer", lambda tmp: SAMPLE,
     lambda path: QgsProcessingFeatureSourceDefinition(str(path), False, 1000),
     lambda tmp: "memory:", "label_feature_by_feature", set(), False),
]


class Warnings(QgsProcessingFeedback):
    def __init__(self):
        super().__init__()
        self.pushed = []

    def pushWarning(self, text):  # noqa: N802
        self.pushed.append(text)


def run(parameters, feedback=None):
    algorithm = QgsApplication.processingRegistry().createAlgorithmById("peltlabels:label")
    context = QgsProcessingContext()
    feedback = feedback or QgsProcessingFeedback()
    results, ok = algorithm.run(parameters, context, feedback)
    assert ok
    output = results["OUTPUT"]
    return context.takeResultLayer(output) or QgsVectorLayer(output)


def labels_of(layer, field):
    """The labels in the layer's order (a GeoJSON file numbers its features anew)."""
    return [feature[field] for feature in layer.getFeatures()]


def rows_of(layer, names):
    """Every feature's geometry and values, as text (GeoJSON keeps a date as text)."""
    return [[feature.geometry().asWkt()] + [str(feature[name]) for name in names]
            for feature in layer.getFeatures()]


@pytest.mark.parametrize("way", WAYS, ids=[way[0] for way in WAYS])
@pytest.mark.parametrize("expression", EXPRESSIONS)
def test_output_field_is_pelt_labels(qgis_app, tmp_path, monkeypatch, expression, way):
    from peltlabels import label_algorithm, native_function

    _, source, as_input, output, taken, not_held, in_copy = way
    if in_copy and expression == NEEDS_NO_CONTEXT and native_function.loaded():
        taken = "label_in_calculator"
    calls = []
    original = getattr(label_algorithm, taken)
    monkeypatch.setattr(label_algorithm, taken,
                        lambda *args, **kwargs: calls.append(1) or original(*args, **kwargs))
    path = source(tmp_path)
    expected = tmp_path / "expected.gpkg"
    done = pelt_label("label", "--to", expected, "--field", "LBL", "--set", "PAGE=7", path,
                      expression)
    assert done.returncode == 0, done.stderr
    layer = run({"INPUT": as_input(path), "EXPRESSION": expression, "FIELD_NAME": "LBL",
                 "RESERVED_WORDS": "PAGE=7", "OUTPUT": output(tmp_path)})
    assert calls, f"'Label features' did not take {taken}"
    assert labels_of(layer, "LBL") == labels_of(QgsVectorLayer(str(expected)), "LBL")
    assert layer.fields().names()[-1] == "LBL"
    sample = QgsVectorLayer(str(SAMPLE))
    names = [name for name in sample.fields().names() if name != "fid"]
    assert [name for name in layer.fields().names()[:-1] if name != "fid"] == names
    kept = [name for name in names if name not in not_held]
    assert rows_of(layer, kept) == rows_of(sample, kept)


@pytest.mark.parametrize("parameters, message", [
    ({"EXPRESSION": "[MISSING]", "FIELD_NAME": "L"}, lambda: verify_message("[MISSING]")),
    ({"EXPRESSION": "[NAME]", "FIELD_NAME": "name"},
     lambda: "layer 'places' already has a field 'name' (choose another label field name)"),
    ({"EXPRESSION": "[NAME]", "FIELD_NAME": "L", "OUTPUT": str(SAMPLE)},
     lambda: f"'{SAMPLE}' is the source; it is never written to"),
], ids=["invalid expression", "field exists", "output is the input"])
def test_refusals_stop_the_algorithm(qgis_app, parameters, message):
    before = SAMPLE.read_bytes()
    algorithm = QgsApplication.processingRegistry().createAlgorithmById("peltlabels:label")
    with pytest.raises(QgsProcessingException) as raised:
        algorithm.processAlgorithm({"INPUT": str(SAMPLE), "OUTPUT": "memory:", **parameters},
                                   QgsProcessingContext(), QgsProcessingFeedback())
    assert raised.value.args[0] == message()
    assert SAMPLE.read_bytes() == before


def test_given_words_win_over_the_clock(qgis_app):
    layer = run({"INPUT": str(SAMPLE), "EXPRESSION": "[NAME] $$date", "FIELD_NAME": "L",
                 "RESERVED_WORDS": "DATE=then", "OUTPUT": "memory:"})
    assert set(labels_of(layer, "L")) == {f"{name} then" for name in
                                          labels_of(QgsVectorLayer(str(SAMPLE)), "NAME")}


# A slip, date texts left unread, and a label longer than the library allows.
@pytest.mark.parametrize("expression, names", [
    ("[T].Lefft(2) [T].Format(dd/mm/yyyy)", ["Bern", "Thun"]),
    ("[T][T][T]", ["ok", "x" * (1 << 23)]),
], ids=["slip and dates", "failed label"])
def test_warnings_are_read_labels_warnings(qgis_app, tmp_path, expression, names):
    features = [{"type": "Feature", "id": i + 7, "geometry": None, "properties": {"T": name}}
                for i, name in enumerate(names)]
    path = tmp_path / "t.geojson"
    path.write_text(json.dumps({"type": "FeatureCollection", "features": features}))
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        peltexpressions.read_labels(path, expression)
    feedback = Warnings()
    run({"INPUT": str(path), "EXPRESSION": expression, "FIELD_NAME": "L", "OUTPUT": "memory:"},
        feedback)
    assert feedback.pushed == [str(warning.message) for warning in caught] and feedback.pushed
