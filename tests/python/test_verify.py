import pandas as pd
import pytest

import peltexpressions as pe
from conftest import SAMPLE, pelt_label

# Verification texts: the same as pelt-label's for the same layer.
EXPRESSIONS = [
    "[NAME].UCase",
    "Plain text, no field",
    "",
    "[NAME",
    "NAME]",
    "[[NAME]]",
    "[ ]",
    "[NAME].Left(x)",
    "[MISSING]",
    "[geom] [NAME]",
    "[POPULATION].FormatNumber(0) [name].Mid(2,3)",
]


@pytest.mark.parametrize("expression", EXPRESSIONS)
def test_verify_gives_pelt_labels_texts(sample, expression):
    lines, code = pelt_label("verify", SAMPLE, expression)
    result = pe.verify(expression, sample.rename(columns={"geometry": "geom"}))
    assert (result.valid, [result.message]) == (code == 0, lines)


# Each form of fields: a geometry or blob field is refused as in the library.
FIELD_FORMS = [
    (["A", "B"], "[a] [B]", True),
    ({"A": 4, "B": "Integer"}, "[B]", True),
    ({"A": "Geometry"}, "[A]", False),
    ({"A": 8}, "[A]", False),
    (pd.DataFrame({"A": [1]}), "[A] [B]", False),
    ("geo", "[A] [geometry]", False),
]


@pytest.mark.parametrize("fields,expression,valid", FIELD_FORMS)
def test_fields_forms(fields, expression, valid):
    if isinstance(fields, str):
        geopandas = pytest.importorskip("geopandas")
        fields = geopandas.GeoDataFrame({"A": [1]}, geometry=geopandas.points_from_xy([0], [0]))
    result = pe.verify(expression, fields)
    assert bool(result) is result.valid is valid
    if isinstance(fields, pd.DataFrame):
        with pytest.raises(pe.InvalidExpression) as raised:
            pe.label(expression, fields)
        assert raised.value.message == result.message
