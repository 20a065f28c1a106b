import datetime
import json
import warnings

import pandas as pd
import pytest

import peltexpressions as pe
from conftest import SAMPLE, pelt_label

PREFIX = "pelt-label: warning: "

# The same texts as pelt-label's for the same layer and expression.
SLIPS = [
    "[NAME].Lefft(2)",
    "[NAME]..UCase [NAME].UCase .Left(2)",
    "[POPULATION].FormatCurrency(2) [NAME].Absolute",
    "$$DATE.Format(d mmmm yyyy)",
    "B: [POPULATION].Format(#,##0.00;(#,##0.00))",
    "[COUNTRI] [NAMEE]",
    "[NAME].UCase.Left(2) ($$ROW)",
]


@pytest.mark.parametrize("expression", SLIPS)
def test_verify_warns_as_pelt_label_does(sample, expression):
    lines, _ = pelt_label("verify", SAMPLE, expression)
    told = tuple(line[len(PREFIX):] for line in lines if line.startswith(PREFIX))
    assert pe.verify(expression, sample).warnings == told


def test_label_raises_the_same_texts_as_warnings_and_keeps_its_labels():
    frame = pd.DataFrame({"NAME": ["Bern"], "POP": [134591]})
    expression = "[NAME].Lefft(2) [POP].FormatCurrency(2)"
    with pytest.warns(pe.ExpressionWarning) as caught:
        labels = pe.label(expression, frame, locale="en_US")
    assert [str(w.message) for w in caught] == list(pe.verify(expression, frame).warnings)
    assert labels.tolist() == ["Bern.Lefft(2) $134,591.00(2)"]
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert pe.label("[NAME].Left(2)", frame).tolist() == ["Be"]


# Words are checked against those the call supplies: the caller's, DATE and
# TIME (and for a GDAL source LAYER, SOURCE, FID and ROW).
WORDS = [
    ("Page $$PAGE_NUMBR", {"PAGE_NUMBER": 7},
     ("'$$PAGE_NUMBR' has no value here and reads as \"\"; did you mean '$$PAGE_NUMBER'?",)),
    ("$$page_number $$Date $$time", {"PAGE_NUMBER": 7}, ()),
    ("$$ROW", {}, ("'$$ROW' has no value here and reads as \"\"",)),
    ("$$PAGE_NUMBR", None, ()),
]


@pytest.mark.parametrize("expression,words,expected", WORDS)
def test_verify_checks_reserved_words_when_given_them(expression, words, expected):
    assert pe.verify(expression, ["NAME"], reserved_words=words).warnings == expected


def test_dollars_in_a_reserved_word_name_mean_the_word():
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert pe.label("$$PAGE_NUMBER", [{}], {"$$PAGE_NUMBER": 7}) == ["7"]


def test_a_missing_field_gets_the_nearest_names_beside_the_unchanged_message():
    frame = pd.DataFrame({"NAME": ["Bern"], "NAMES": ["x"]})
    result = pe.verify("[NAMEX]", frame)
    assert (result.valid, result.message) == (False, 'Field "NAMEX" does not exist in attribute table!')
    assert result.warnings == ("'[NAMEX]': did you mean '[NAME]' or '[NAMES]'?",)
    with pytest.warns(pe.ExpressionWarning, match="did you mean"):
        with pytest.raises(pe.InvalidExpression) as raised:
            pe.label("[NAMEX]", frame)
    assert str(raised.value) == result.message


DATES = ["3/9/2024", "09.03.2024", "2024-03-09T10:00:00+01:00", ""]
NOT_DATES = ("2 values under a date picture did not read as a date and stayed text; the first, "
             "{}: '09.03.2024'")


def test_text_a_date_picture_cannot_read_is_counted_once_per_call(tmp_path):
    with pytest.warns(pe.ExpressionWarning) as caught:
        labels = pe.label("[D].Format(d mmmm yyyy)", pd.DataFrame({"D": DATES}), locale="en_US")
    assert labels.tolist() == ["9 March 2024", *DATES[1:]]
    assert [str(w.message) for w in caught] == [NOT_DATES.format("row 1")]

    features = [{"type": "Feature", "id": i + 7, "geometry": None, "properties": {"D": d}}
                for i, d in enumerate(DATES)]
    path = tmp_path / "dates.geojson"
    path.write_text(json.dumps({"type": "FeatureCollection", "features": features}))
    with pytest.warns(pe.ExpressionWarning) as caught:
        pe.read_labels(path, "[D].Format(d mmmm yyyy)", locale="en_US")
    assert [str(w.message) for w in caught] == [NOT_DATES.format("feature 8")]


def test_dates_that_read_as_dates_warn_nothing():
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        for column in ([datetime.date(2024, 3, 9), None], ["3/9/2024", "45360", " ", None]):
            pe.label("[D].Format(d mmmm yyyy)", pd.DataFrame({"D": column}), locale="en_US")
