import pandas as pd
import pytest

import peltexpressions as pe
from conftest import SAMPLE, pelt_label

FRAME = pd.DataFrame({"NAME": ["a", "b"], "N": [1, 2]})

# Every bad input ends in a Python exception naming the problem.
BAD = [
    (lambda: pe.label(42, FRAME), TypeError, "expression must be a str"),
    (lambda: pe.label("[L]", pd.DataFrame({"L": [[1], [2]]})), TypeError, "column 'L' holds list"),
    (lambda: pe.label("[M]", pd.DataFrame({"M": [1, "x"]})), TypeError, "column 'M' holds int and str"),
    (lambda: pe.label("[D]", pd.DataFrame({"D": pd.to_timedelta([1, 2], "s")})), TypeError, "timedelta"),
    (lambda: pe.label("[X]", FRAME), pe.InvalidExpression, 'Field "X" does not exist'),
    (lambda: pe.label("[X", FRAME.iloc[:0]), pe.InvalidExpression, "Missing close bracket"),
    (lambda: pe.label("[B]", pd.DataFrame({"B": [b"\xff"]})), ValueError, "row 0 of column 'B' is not UTF-8"),
    (lambda: pe.label("[NAME]", FRAME, locale="xx_YY"), ValueError, "unknown locale 'xx_YY'"),
    (lambda: pe.label("[NAME]", FRAME, locale=1), TypeError, "locale must be a str"),
    (lambda: pe.label("[NAME]", "NAME"), TypeError, "data must be a DataFrame"),
    (lambda: pe.label("[NAME]", [1, 2]), TypeError, "must hold dicts"),
    (lambda: pe.label("[NAME]", FRAME, jobs=0), ValueError, "jobs must be a positive int"),
    (lambda: pe.label("$$A", FRAME, reserved_words={"a": 1, "A": 2}), ValueError, "names a word twice"),
    (lambda: pe.label("$$A", FRAME, reserved_words={"A": [1]}), TypeError, "reserved word 'A' of type list"),
    (lambda: pe.format(object(), ""), TypeError, "value of type object"),
    (lambda: pe.format(b"\xc3", ""), ValueError, "value is not UTF-8"),
    (lambda: pe.format_number(1, 2**40), ValueError, "out of range"),
    (lambda: pe.round(1, "2"), TypeError, "integer"),
    (lambda: pe.verify("[A]", {"A": "Text"}), ValueError, "unknown field type 'Text'"),
    (lambda: pe.verify("[A]", "A"), TypeError, "fields must be"),
    (lambda: pe.read_labels("/nonexistent.gpkg", "[A]"), FileNotFoundError, "nonexistent.gpkg"),
    (lambda: pe.read_labels(__file__, "[A]"), OSError, "test_bad_input.py"),
    (lambda: pe.read_labels("/nonexistent.gpkg", "[A]", layer=1.5), TypeError, "layer must be"),
    (lambda: pe.read_labels(SAMPLE, "[NAME]", layer="roads"), ValueError, "no layer 'roads'"),
    (lambda: pe.read_labels(SAMPLE, "[NAME]", where="POPULATION >"), ValueError, "."),
    (lambda: pe.read_labels(SAMPLE, "[NAME"), pe.InvalidExpression, "Missing close bracket"),
]


@pytest.mark.parametrize("call,error,text", BAD)
def test_bad_input_raises(call, error, text):
    with pytest.raises(error, match=text.replace("(", r"\(")):
        call()
    assert FRAME.equals(pd.DataFrame({"NAME": ["a", "b"], "N": [1, 2]}))


# A locale ICU has no data for is refused with the nearest ones it has, as
# pelt-label refuses it.
UNKNOWN_LOCALES = [
    ("en_UK", "unknown locale 'en_UK'; did you mean 'en_GB'?"),
    ("de_AU", "unknown locale 'de_AU'; did you mean 'de_DE', 'de_AT' or 'de_LU'?"),
    ("fx-FR", "unknown locale 'fx-FR'; did you mean 'fr_FR'?"),
    ("xx_YY", "unknown locale 'xx_YY'"),
]


@pytest.mark.parametrize("locale,message", UNKNOWN_LOCALES)
@pytest.mark.parametrize(
    "call",
    [
        lambda locale: pe.label("[NAME]", FRAME, locale=locale),
        lambda locale: pe.format_number(1234.5, 2, locale=locale),
    ],
    ids=["label", "format_number"],
)
def test_unknown_locale_names_the_nearest(call, locale, message):
    with pytest.raises(ValueError) as raised:
        call(locale)
    assert str(raised.value) == message
    lines, code = pelt_label("format", "--locale", locale, "num:1")
    assert (lines, code) == ([f"pelt-label format: {message} (see 'pelt-label format --help')"], 2)


def test_language_without_region_is_a_locale():
    assert pe.format_number(1234.5, 2, locale="de") == "1.234,50"
    assert pe.label("[N].FormatNumber(1)", FRAME, locale="fr").tolist() == ["1,0", "2,0"]
