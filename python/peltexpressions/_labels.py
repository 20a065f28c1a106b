"""verify(), label() and read_labels()."""

import os
import time
import warnings
from collections.abc import Mapping

import numpy as np
import pandas as pd

from . import _core
from ._columns import described_columns, field_list
from ._errors import ExpressionWarning, InvalidExpression, LabelsFailedWarning, VerifyResult
from ._values import check_expression, check_locale, reserved_word_values


def _fields(fields):
    """(name, type code) pairs from any of the forms verify() takes."""
    if isinstance(fields, pd.DataFrame):
        return field_list(fields)
    if isinstance(fields, Mapping):
        pairs = []
        for name, code in fields.items():
            if isinstance(code, str):
                if code not in _core.FIELD_TYPES:
                    known = ", ".join(_core.FIELD_TYPES)
                    raise ValueError(f"unknown field type {code!r}; known: {known}")
                code = _core.FIELD_TYPES[code]
            if isinstance(code, bool) or not isinstance(code, int):
                raise TypeError(f"the type of field {name!r} must be a code or a type name")
            pairs.append((str(name), code))
        return pairs
    if isinstance(fields, (str, bytes)) or not hasattr(fields, "__iter__"):
        raise TypeError(
            "fields must be a list of names, a mapping of names to types or a DataFrame"
        )
    return [(str(name), _core.FIELD_TYPES["String"]) for name in fields]


def verify(expression, fields=(), reserved_words=None):
    """Verify a label expression against a table's fields.

    ``fields`` is a list of names (each a String field), a mapping of names to
    type codes (0 to 8) or type names ("Integer", "Geometry" …), or a pandas
    DataFrame or GeoPandas GeoDataFrame, whose geometry columns are Geometry
    fields. Returns a VerifyResult with ``.valid`` and ``.message``, the
    library's own text ("Expression is Valid!" or the reason for refusal),
    and ``.warnings``: what literal text is almost certainly a slip, and the
    nearest names of a field that does not exist. Reserved words are checked
    only when ``reserved_words`` is given (the mapping label() would take):
    those and $$DATE and $$TIME have a value.

    >>> verify("[NAME].Lefft(2)", ["NAME"]).warnings
    ("'.Lefft(2)' after '[NAME]' is literal text; did you mean '.Left(2)'?",)
    """
    words = None if reserved_words is None else reserved_word_values(reserved_words)
    valid, message, _, found = _core.verify(check_expression(expression), _fields(fields), None,
                                            words)
    return VerifyResult(valid, message, tuple(found))


def _warn_all(texts, stacklevel):
    for text in texts:
        warnings.warn(ExpressionWarning(text), stacklevel=stacklevel + 1)


def _jobs(jobs):
    if jobs is None:
        return os.cpu_count() or 1
    if isinstance(jobs, bool) or not isinstance(jobs, int) or jobs < 1:
        raise ValueError(f"jobs must be a positive int, not {jobs!r}")
    return jobs


def _finish(outcome, detail, total, fids=None):
    """The failure count of a _core call, or its exception."""
    if outcome == "invalid":
        raise InvalidExpression(detail)
    if outcome == "word given twice":
        raise ValueError("reserved_words names a word twice (names match regardless of case)")
    failed, first_row, message, unread, first_unread_row, first_unread = detail
    if unread:
        where = f"row {first_unread_row}" if fids is None else f"feature {fids[first_unread_row]}"
        text = _core.text_not_date_warning(unread, f"{where}: '{first_unread}'")
        warnings.warn(ExpressionWarning(text), stacklevel=4)
    if failed:
        name = None if fids is None else f"feature {fids[first_row]}"
        warnings.warn(LabelsFailedWarning(failed, total, first_row, message, name), stacklevel=4)
    return failed


def label(expression, data, reserved_words=None, locale=None, jobs=None):
    """Make the label of every row of a table.

    ``data`` is a pandas DataFrame or GeoPandas GeoDataFrame (the result is a
    Series of str with the frame's index) or a list of dicts (the result is
    a list of str). The expression is verified once (InvalidExpression when
    it does not verify, carrying the library's message), then each row's
    label is made as pelt-label makes it. A label that fails is an empty
    string; how many failed is in the LabelsFailedWarning issued and in the
    Series' ``attrs["failed_labels"]``.

    ``reserved_words`` maps names (without "$$") to values; $$DATE and $$TIME
    are supplied unless given. ``locale`` ("de_DE" …) sets the text form of
    numbers and dates; None follows the environment (LC_ALL, LC_NUMERIC,
    LANG). ``jobs`` threads make the labels (default: one per core); the
    GIL is released meanwhile, so Python threads label in parallel.

    Columns read as the like GDAL fields: integers as Integer or Long (Double
    beyond 32 bits), floats as Double, bools as Boolean, datetime64 and
    date objects as Date (a time zone is dropped, keeping the wall-clock
    time), str and UTF-8 bytes as String, and None, NaN, NaT and pd.NA as
    null. An integer column with gaps is float in pandas and reads as Double
    unless it has a nullable dtype (Int64). Lists, mixed object columns and
    other dtypes raise TypeError. peltexpressions._columns has the table.

    >>> label("[NAME].UCase ($$PAGE)", [{"NAME": "Bern"}], {"PAGE": 3})
    ['BERN (3)']
    """
    if isinstance(data, list):
        if not all(isinstance(row, Mapping) for row in data):
            raise TypeError("a list of rows must hold dicts")
        frame = pd.DataFrame(data, index=range(len(data)))
        return label_frame(frame, expression, reserved_words, locale, jobs, time.time()).tolist()
    if not isinstance(data, pd.DataFrame):
        raise TypeError(f"data must be a DataFrame or a list of dicts, not {type(data).__name__}")
    return label_frame(data, expression, reserved_words, locale, jobs, time.time())


def label_frame(frame, expression, reserved_words, locale, jobs, now):
    """label() for a DataFrame, with $$DATE and $$TIME taken from now."""
    check_expression(expression)
    words = reserved_word_values(reserved_words)
    locale = check_locale(locale)
    jobs = _jobs(jobs)
    # Verified on the columns' types first, so that an invalid expression
    # is told before any cell is read and only the named columns are read.
    valid, message, used, found = _core.verify(expression, field_list(frame), locale, words)
    _warn_all(found, stacklevel=3)
    if not valid:
        raise InvalidExpression(message)
    out = np.empty(len(frame), dtype=object)
    outcome, detail = _core.label_frame(
        expression,
        described_columns(frame, set(used)),
        len(frame),
        words,
        locale,
        jobs,
        int(now),
        out,
    )
    failed = _finish(outcome, detail, len(frame))
    labels = pd.Series(out, index=frame.index, name="label", dtype=object)
    labels.attrs["failed_labels"] = failed
    return labels


_OPEN_ERRORS = {
    "not found": FileNotFoundError,
    "cannot open": OSError,
    "bad choice": ValueError,
    "read failed": OSError,
    "where refused": ValueError,
}


def read_labels(source, expression, layer=None, where=None, open_options=None,
                reserved_words=None, locale=None):
    """Label the features of a GDAL vector source, as pelt-label does.

    ``source`` is anything GDAL opens as vector data (a path, /vsizip/ …);
    ``layer`` a layer name or 0-based index (needed when there are several);
    ``where`` an SQL condition that selects features; ``open_options`` a
    list of "KEY=VALUE" driver options. The reserved words $$DATE, $$TIME,
    $$LAYER, $$SOURCE, $$FID and $$ROW are supplied unless given. Returns a
    Series of str indexed by feature id, in the layer's order; failed labels
    are empty as in label(). A missing source raises FileNotFoundError, one
    GDAL cannot read OSError, an unknown layer or a condition the driver
    refuses ValueError, an invalid expression InvalidExpression.
    """
    check_expression(expression)
    if layer is not None and (isinstance(layer, bool) or not isinstance(layer, (int, str))):
        raise TypeError("layer must be a layer name or a 0-based index")
    if where is not None and not isinstance(where, str):
        raise TypeError("where must be a str")
    options = list(open_options or [])
    if not all(isinstance(option, str) for option in options):
        raise TypeError("open_options must be KEY=VALUE strings")
    outcome, detail, found = _core.label_source(
        os.fspath(source),
        layer,
        options,
        where,
        expression,
        reserved_word_values(reserved_words),
        check_locale(locale),
        int(time.time()),
    )
    _warn_all(found, stacklevel=2)
    if outcome in _OPEN_ERRORS:
        raise _OPEN_ERRORS[outcome](detail)
    if outcome != "labelled":
        _finish(outcome, detail, 0)
    labels, fids, summary = detail
    failed = _finish(outcome, summary, len(labels), fids)
    result = pd.Series(labels, index=pd.Index(fids, name="fid"), name="label", dtype=object)
    result.attrs["failed_labels"] = failed
    return result
