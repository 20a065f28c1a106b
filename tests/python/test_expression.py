import datetime
from concurrent.futures import ThreadPoolExecutor

import pytest

import peltexpressions as pe

# One row at a time and in a batch, an Expression labels as label() labels
# the whole frame.
EXPRESSIONS = [
    "[NAME].UCase - [POPULATION].FormatNumber(0)",
    "[SURVEYED] [UPDATED] [CAPITAL] [MEAN_TEMP].Round(1)",
    "[ELEVATION].Format(#,##0) m [AREA_KM2] $$PAGE",
]


@pytest.mark.parametrize("expression", EXPRESSIONS)
def test_rows_label_as_the_frame_does(sample, expression):
    frame = sample.drop(columns="geometry")
    words = {"PAGE": 7}
    expected = pe.label(expression, frame, words, locale="en_US").tolist()
    expr = pe.Expression(expression, frame, locale="en_US")
    rows = [list(row) for row in frame.itertuples(index=False)]
    assert [expr.label(row, words) for row in rows] == expected
    assert expr.label_rows(rows, words) == expected


# $$FID and $$ROW come with fids, counted from first_row; given words win.
WORDS = [
    (None, {}, ["A  ", "B  "]),
    ([10, 20], {}, ["A 10 5", "B 20 6"]),
    ([10, 20], {"ROW": "r"}, ["A 10 r", "B 20 r"]),
]


@pytest.mark.parametrize("fids,words,expected", WORDS)
def test_fid_and_row_words(fids, words, expected):
    expr = pe.Expression("[N] $$FID $$ROW", ["N"])
    assert expr.label_rows([["A"], ["B"]], words, fids=fids, first_row=5) == expected


def test_what_the_expression_names():
    expr = pe.Expression("[n] [N] $$fid $$FID $$Layer_Name", {"N": "String", "D": "Date"})
    assert (expr.fields_used, expr.reserved_words_used) == (["n"], ["fid", "Layer_Name"])


def test_values_of_every_kind():
    expr = pe.Expression("[A]|[B]|[C]|[D]|[E]", ["A", "B", "C", "D", "E"], locale="en_US")
    when = datetime.datetime(2024, 3, 1, 12, 30)
    assert expr.label([None, True, 2**40, float("nan"), when], {}) == expr.label_rows(
        [[None, True, 2**40, None, when]])[0]
    assert expr.label(["x", 1, 2.5, b"y", when.date()]).startswith("x|")
    # A host's own objects are converted; the values the package reads are not.
    hosted = pe.Expression("[A]|[B]", ["A", "B"], convert=lambda value: value.when)
    host_date = type("HostDate", (), {"when": when})()
    assert hosted.label([1, host_date]) == pe.Expression("[A]|[B]", ["A", "B"]).label([1, when])


def test_refusals():
    with pytest.raises(pe.InvalidExpression) as raised:
        pe.Expression("[MISSING]", ["NAME"])
    assert raised.value.message == pe.verify("[MISSING]", ["NAME"]).message
    expr = pe.Expression("[NAME]", ["NAME"])
    with pytest.raises(ValueError, match="one value per field"):
        expr.label(["a", "b"])
    with pytest.raises(TypeError):
        expr.label([object()])
    with pytest.raises(ValueError, match="twice"):
        expr.label(["a"], {"X": 1, "x": 2})


def test_threads_share_one_expression():
    expr = pe.Expression("[N].UCase", ["N"])
    names = [f"name {i}" for i in range(2000)]
    with ThreadPoolExecutor(4) as pool:
        labels = list(pool.map(lambda name: expr.label([name]), names))
    assert labels == [name.upper() for name in names]
