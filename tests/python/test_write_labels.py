import pytest
from conftest import SAMPLE, pelt_label
from osgeo import ogr

import peltexpressions as pe

EXPRESSION = "[NAME].UCase - [POPULATION].FormatNumber(0) $$FID/$$ROW $$LAYER $$PAGE"


def features_of(path):
    """Every feature's geometry and fields, in order, as text."""
    dataset = ogr.Open(str(path))
    layer = dataset.GetLayer(0)
    rows = [[feature.GetGeometryRef().ExportToWkt()] +
            [feature.GetFieldAsString(i) for i in range(feature.GetFieldCount())]
            for feature in layer]
    names = [layer.GetLayerDefn().GetFieldDefn(i).GetName()
             for i in range(layer.GetLayerDefn().GetFieldCount())]
    return layer.GetName(), names, rows


@pytest.mark.parametrize("extension", ["gpkg", "geojson", "fgb"])
def test_copy_is_pelt_labels_copy(tmp_path, extension):
    expected, actual = tmp_path / f"expected.{extension}", tmp_path / f"actual.{extension}"
    _, code = pelt_label("label", "--to", expected, "--field", "L", "--set", "PAGE=7", SAMPLE,
                         EXPRESSION)
    assert code == 0
    assert pe.write_labels(SAMPLE, EXPRESSION, actual, field="L",
                           reserved_words={"PAGE": 7}) == 10
    assert features_of(actual) == features_of(expected)


def test_layer_name_and_overwrite(tmp_path):
    out = tmp_path / "out.gpkg"
    out.write_bytes(b"old")
    pe.write_labels(SAMPLE, "[NAME]", out, overwrite=True, layer_name="named")
    name, names, rows = features_of(out)
    assert (name, names[-1], rows[0][-1]) == ("named", "label", "Zürich")


@pytest.mark.parametrize("to, arguments, error, text", [
    ("exists.gpkg", {}, FileExistsError, "(pass overwrite=True to replace it)"),
    (SAMPLE, {"overwrite": True}, ValueError, "is the source; it is never written to"),
    ("out.gpkg", {"field": "name"}, ValueError, "already has a field 'name' (choose another"),
    ("out.gpgk", {}, ValueError, "no GDAL driver writes files named like"),
    ("out.gpkg", {"field": 1}, TypeError, "field must be a str"),
    ("out.gpkg", {"layer": "roads"}, ValueError, "no layer 'roads'"),
])
def test_refusals_leave_files_as_they_were(tmp_path, to, arguments, error, text):
    (tmp_path / "exists.gpkg").write_bytes(b"mine")
    before = SAMPLE.read_bytes()
    with pytest.raises(error, match=None) as raised:
        pe.write_labels(SAMPLE, "[NAME]", tmp_path / to, **arguments)
    assert text in str(raised.value)
    assert SAMPLE.read_bytes() == before
    assert (tmp_path / "exists.gpkg").read_bytes() == b"mine"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["exists.gpkg"]
