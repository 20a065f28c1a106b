import datetime
import json

import numpy as np
import pandas as pd
import pytest

import peltexpressions as pe
from conftest import SAMPLE, pelt_label

# Each field type of the sample layer, through its formatting statements.
PARITY = [
    ("[NAME].UCase: [POPULATION].FormatNumber(0)", "de_DE"),
    ("[ELEVATION] m, [AREA_KM2].Round(1) km2, [MEAN_TEMP] C, capital [CAPITAL]", "fr_FR"),
    ("[SURVEYED].Format(dddd d mmmm yyyy) / [UPDATED]", "en_US"),
    ("[COUNTRY].Left(3)-[name].Right(2) [POPULATION].FormatCurrency", "ja_JP"),
    ("<BOL>[NAME]</BOL> $$NOT_GIVEN.", "en_US"),
]


@pytest.mark.parametrize("expression,locale", PARITY)
def test_frame_source_and_pelt_label_agree(sample, expression, locale):
    frame_labels = pe.label(expression, sample, locale=locale)
    source_labels = pe.read_labels(SAMPLE, expression, locale=locale)
    lines, code = pelt_label("label", "--no-warnings", "--locale", locale, SAMPLE, expression)
    assert code == 0
    assert frame_labels.tolist() == source_labels.tolist() == lines
    assert frame_labels.index.equals(sample.index)


def _tz(values):
    return pd.to_datetime(values).tz_localize("Europe/Zurich")


# One row per dtype: the column, and the labels of "<[C]>" in en_US.
DTYPES = [
    (pd.Series([True, False]), ["<True>", "<False>"]),
    (pd.Series([True, None], dtype="boolean"), ["<True>", "<>"]),
    (pd.Series([7, -32768], dtype="int16"), ["<7>", "<-32768>"]),
    (pd.Series([1, None], dtype="Int64"), ["<1>", "<>"]),
    (pd.Series([1.0, np.nan]), ["<1>", "<>"]),  # NaN in an int column: pandas made it float
    (pd.Series([2**40, -1], dtype="int64"), ["<1099511627776>", "<-1>"]),
    (pd.Series([2**64 - 1, 0], dtype="uint64"), ["<1.84467440737096E+19>", "<0>"]),
    (pd.Series([0.1, 2.5], dtype="float32"), ["<0.100000001490116>", "<2.5>"]),
    (pd.Series(pd.to_datetime(["2024-03-09 16:05", None])), ["<3/9/2024 4:05:00 PM>", "<>"]),
    (pd.Series(_tz(["2024-03-09 16:05:00"] * 2)), ["<3/9/2024 4:05:00 PM>"] * 2),
    (pd.Series([datetime.date(2026, 1, 5), datetime.date(50, 1, 2)]), ["<1/5/2026>", "<0050-01-02T00:00:00>"]),
    (pd.Series([datetime.time(13, 4, 9), None]), ["<1:04:09 PM>", "<>"]),
    (pd.Series(["Zürich", None], dtype="string"), ["<Zürich>", "<>"]),
    (pd.Series(["a", "b"], dtype="category"), ["<a>", "<b>"]),
    (pd.Series([b"caf\xc3\xa9", None]), ["<café>", "<>"]),
    (pd.Series([3, None], dtype=object), ["<3>", "<>"]),
    (pd.Series([2**70, None], dtype=object), ["<1.18059162071741E+21>", "<>"]),
    (pd.Series(["\U0001F600 \ud800", np.nan], dtype=object), ["<\U0001F600 \ufffd>", "<>"]),
]


@pytest.mark.parametrize("column,expected", DTYPES)
def test_each_dtype_reads_as_its_gdal_field_would(column, expected):
    # The column "<" is no field of the expression: its lists are never read.
    frame = pd.DataFrame({"C": column.set_axis([10, 20]), "<": [[1], "x"]}, index=[10, 20])
    before = frame.copy()
    labels = pe.label("<[C]>", frame, locale="en_US")
    assert labels.tolist() == expected
    assert labels.index.tolist() == [10, 20]
    pd.testing.assert_frame_equal(frame, before)


# Reserved words: the caller's, the supplied ones, and the caller's winning.
WORDS = [
    ("Page $$page_number", {"PAGE_NUMBER": "Page 3"}, "Page Page 3"),
    ("Page $$PAGE_NUMBER", None, "Page "),
    ("$$N / $$X", {"n": 1234.5, "x": None}, "1234,5 / "),
    ("$$DATE", {"DATE": datetime.date(2026, 1, 5)}, "05.01.2026"),
    ("$$ROW", {"ROW": True}, "True"),
]


@pytest.mark.parametrize("expression,words,expected", WORDS)
def test_reserved_words(expression, words, expected):
    rows = [{"NAME": "x"}]
    assert pe.label(expression, rows, reserved_words=words, locale="de_DE") == [expected]


def test_date_and_time_are_supplied():
    today = pe.format(datetime.date.today(), "", locale="en_US")
    assert pe.label("$$DATE", [{}], locale="en_US") == [today]


def _source_labels(tmp_path, names, expression="[T][T][T]"):
    features = [{"type": "Feature", "id": i + 7, "geometry": None, "properties": {"T": name}}
                for i, name in enumerate(names)]
    path = tmp_path / "long.geojson"
    path.write_text(json.dumps({"type": "FeatureCollection", "features": features}))
    return pe.read_labels(path, expression)


# A label longer than the library allows fails; the other rows still label.
@pytest.mark.parametrize("source,first", [("frame", "row 0"), ("gdal", "feature 7")])
def test_failed_labels_are_empty_and_counted(tmp_path, source, first):
    names = ["x" * (1 << 23), "ok"]
    with pytest.warns(pe.LabelsFailedWarning, match=f"1 of 2 rows.*{first}: Out of string space"):
        if source == "frame":
            labels = pe.label("[T][T][T]", pd.DataFrame({"T": names}))
        else:
            labels = _source_labels(tmp_path, names)
    assert labels.tolist() == ["", "okokok"]
    assert labels.attrs["failed_labels"] == 1


# A layer labelled in several batches keeps its order, its rows and the
# feature a failure names.
def test_batches_of_a_long_source_keep_their_order(tmp_path):
    names = [f"n{i}" for i in range(40_000)]
    names[35_000] = "x" * (1 << 23)
    with pytest.warns(pe.LabelsFailedWarning, match="1 of 40000 rows.*feature 35007: Out of"):
        labels = _source_labels(tmp_path, names, "$$FID $$ROW [T][T][T]")
    expected = [f"{i + 7} {i + 1} {name * 3}" for i, name in enumerate(names)]
    expected[35_000] = ""
    assert labels.tolist() == expected
    assert labels.index.tolist() == list(range(7, 40_007))


# Names match regardless of case, the first of two such columns winning, in
# narrow tables and in wide ones alike.
@pytest.mark.parametrize("width", [2, 40])
@pytest.mark.parametrize("expression,expected", [("[NAME]", "first"), ("[Name]", "first")])
def test_first_of_two_case_equal_columns_wins(width, expression, expected):
    columns = {"name": ["first"], "NAME": ["second"]}
    columns.update({f"extra{i}": [i] for i in range(width - 2)})
    frame = pd.DataFrame(columns)
    assert pe.label(expression, frame).tolist() == [expected]
