"""verify(), label() and read_labels()."""

from __future__ import annotations

import functools
import os
import time
import warnings
from collections.abc import Mapping
from typing import Any, Iterable, List, Optional, Tuple, Union, overload

import numpy as np
import pandas as pd

from . import _core
from ._columns import described_columns, field_list
from ._errors import ExpressionWarning, LabelsFailedWarning, VerifyResult
from ._values import Scalar, check_expression, check_locale, reserved_word_values

# The forms verify() takes the fields in.
Fields = Union[Iterable[str], Mapping[str, Union[int, str]], pd.DataFrame]
ReservedWords = Optional[Mapping[str, Scalar]]


def _fields(fields: Fields) -> List[Tuple[str, int]]:
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


def verify(expression: str, fields: Fields = (),
           reserved_words: ReservedWords = None) -> VerifyResult:
    """Verify a label expression against a table's fields.

    Parameters
    ----------
    expression : str
        The label expression, such as ``"[NAME].UCase"``.
    fields : iterable of str, mapping or DataFrame, default ()
        The table's fields: a list of names (each a String field), a mapping
        of names to type codes (0 to 8) or type names ("Integer",
        "Geometry" …), or a pandas DataFrame or GeoPandas GeoDataFrame,
        whose geometry columns are Geometry fields.
    reserved_words : mapping of str to scalar, optional
        The words label() would be given. Only when given are reserved words
        checked: those and $$DATE and $$TIME have a value.

    Returns
    -------
    VerifyResult
        ``.valid``; ``.message``, the library's own text ("Expression is
        Valid!" or the reason for refusal); and ``.warnings``: what literal
        text is almost certainly a slip, and the nearest names of a field
        that does not exist.

    Raises
    ------
    TypeError
        For an expression that is not a str, or fields in no form above.
    ValueError
        For an unknown type name.

    Examples
    --------
    >>> verify("[NAME].Lefft(2)", ["NAME"]).warnings
    ("'.Lefft(2)' after '[NAME]' is literal text; did you mean '.Left(2)'?",)
    """
    words = None if reserved_words is None else reserved_word_values(reserved_words)
    valid, message, _, found = _core.verify(check_expression(expression), _fields(fields), None,
                                            words)
    return VerifyResult(valid, message, tuple(found))


def _warn_all(texts: Iterable[str], stacklevel: int) -> None:
    for text in texts:
        warnings.warn(ExpressionWarning(text), stacklevel=stacklevel + 1)


def _jobs(jobs: Optional[int]) -> int:
    if jobs is None:
        return os.cpu_count() or 1
    if isinstance(jobs, bool) or not isinstance(jobs, int) or jobs < 1:
        raise ValueError(f"jobs must be a positive int, not {jobs!r}")
    return jobs


def _warn_failures(summary: Tuple[Any, ...], total: int, stacklevel: int,
                   fids: Optional[np.ndarray] = None) -> int:
    """Warns of the failed labels and unread date texts of a _core call; the failure count."""
    failed, first_row, message, unread, first_unread_row, first_unread = summary
    if unread:
        where = f"row {first_unread_row}" if fids is None else f"feature {fids[first_unread_row]}"
        text = _core.text_not_date_warning(unread, f"{where}: '{first_unread}'")
        warnings.warn(ExpressionWarning(text), stacklevel=stacklevel + 1)
    if failed:
        name = None if fids is None else f"feature {fids[first_row]}"
        warnings.warn(LabelsFailedWarning(failed, total, first_row, message, name),
                      stacklevel=stacklevel + 1)
    return failed


@overload
def label(expression: str, data: List[Mapping[str, Any]], reserved_words: ReservedWords = None,
          locale: Optional[str] = None, jobs: Optional[int] = None) -> List[str]: ...
@overload
def label(expression: str, data: pd.DataFrame, reserved_words: ReservedWords = None,
          locale: Optional[str] = None, jobs: Optional[int] = None) -> pd.Series: ...

def label(expression: str, data: Union[pd.DataFrame, List[Mapping[str, Any]]],
          reserved_words: ReservedWords = None, locale: Optional[str] = None,
          jobs: Optional[int] = None) -> Union[pd.Series, List[str]]:
    """Make the label of every row of a table.

    The expression is verified once, then each row's label is made as
    pelt-label makes it. A label that fails is an empty string.

    Parameters
    ----------
    expression : str
        The label expression, such as ``"[NAME].UCase"``.
    data : DataFrame or list of dict
        A pandas DataFrame or GeoPandas GeoDataFrame, or a list of dicts
        (rows). Columns read as the like GDAL fields: integers as Integer or
        Long (Double beyond 32 bits), floats as Double, bools as Boolean,
        datetime64 and date objects as Date (a time zone is dropped, keeping
        the wall-clock time), str and UTF-8 bytes as String, and None, NaN,
        NaT and pd.NA as null. An integer column with gaps is float in
        pandas and reads as Double unless it has a nullable dtype (Int64).
        peltexpressions._columns has the table.
    reserved_words : mapping of str to scalar, optional
        Names (without "$$") and their values; $$DATE and $$TIME are
        supplied unless given.
    locale : str, optional
        The text form of numbers and dates ("de_DE" …); None follows the
        environment (LC_ALL, LC_NUMERIC, LANG).
    jobs : int, optional
        How many threads make the labels (default: one per core). The GIL
        is released meanwhile, so Python threads label in parallel.

    Returns
    -------
    pandas.Series or list of str
        For a DataFrame a Series of str named "label" with the frame's index,
        whose ``attrs["failed_labels"]`` counts the failed labels; for a list
        of rows a list of str.

    Raises
    ------
    InvalidExpression
        When the expression does not verify, with the library's message.
    TypeError
        For an expression that is not a str, data of another kind, a column
        of lists, of mixed objects or of another dtype (timedelta, period,
        complex), or a reserved word of an unsupported type.
    ValueError
        For an unknown locale, bytes that are not UTF-8, a word given twice
        or jobs below 1.
    KeyboardInterrupt
        On Ctrl-C, which stops the labelling within a fraction of a second.

    Warns
    -----
    ExpressionWarning
        For each slip in the expression, and for text that a date picture
        could not read as a date.
    LabelsFailedWarning
        When some labels could not be made.

    Examples
    --------
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


def label_frame(frame: pd.DataFrame, expression: str, reserved_words: ReservedWords,
                locale: Optional[str], jobs: Optional[int], now: float) -> pd.Series:
    """label() for a DataFrame, with $$DATE and $$TIME taken from now."""
    check_expression(expression)
    words = reserved_word_values(reserved_words)
    locale = check_locale(locale)
    count = _jobs(jobs)
    # Verified on the columns' types first, so that only the named columns
    # are read, and none when the expression is invalid, which label_frame
    # then raises.
    _, _, used, found = _core.verify(expression, field_list(frame), locale, words)
    _warn_all(found, stacklevel=3)
    out = np.empty(len(frame), dtype=object)
    summary = _core.label_frame(expression, described_columns(frame, set(used)), len(frame),
                                words, locale, count, int(now), out)
    failed = _warn_failures(summary, len(frame), stacklevel=3)
    labels = pd.Series(out, index=frame.index, name="label", dtype=object)
    labels.attrs["failed_labels"] = failed
    return labels


def source_options(layer: Union[int, str, None], where: Optional[str],
                   open_options: Optional[Iterable[str]]) -> List[str]:
    """Checks how a GDAL source is chosen and read; the open options as a list."""
    if layer is not None and (isinstance(layer, bool) or not isinstance(layer, (int, str))):
        raise TypeError("layer must be a layer name or a 0-based index")
    if where is not None and not isinstance(where, str):
        raise TypeError("where must be a str")
    options = list(open_options or [])
    if not all(isinstance(option, str) for option in options):
        raise TypeError("open_options must be KEY=VALUE strings")
    return options


def read_labels(source: Union[str, os.PathLike[str]], expression: str,
                layer: Union[int, str, None] = None, where: Optional[str] = None,
                open_options: Optional[Iterable[str]] = None,
                reserved_words: ReservedWords = None,
                locale: Optional[str] = None) -> pd.Series:
    """Label the features of a GDAL vector source, as pelt-label does.

    Parameters
    ----------
    source : str or path-like
        Anything GDAL opens as vector data (a path, /vsizip/ …).
    expression : str
        The label expression.
    layer : str or int, optional
        A layer name or 0-based index; needed when there are several.
    where : str, optional
        An SQL condition that selects features.
    open_options : iterable of str, optional
        "KEY=VALUE" options for the driver.
    reserved_words : mapping of str to scalar, optional
        As label() takes them; $$DATE, $$TIME, $$LAYER, $$SOURCE, $$FID and
        $$ROW are supplied unless given.
    locale : str, optional
        As label() takes it.

    Returns
    -------
    pandas.Series
        The labels (str) named "label", indexed by feature id ("fid") in the
        layer's order; failed labels are empty as in label(), counted in
        ``attrs["failed_labels"]``.

    Raises
    ------
    FileNotFoundError
        When nothing exists at source.
    OSError
        When GDAL cannot read the source, or reading stops early.
    ValueError
        For an unknown layer, a condition the driver refuses, a bad open
        option, an unknown locale or a word given twice.
    InvalidExpression
        When the expression does not verify against the layer.
    TypeError
        For arguments of the wrong type.
    KeyboardInterrupt
        On Ctrl-C, which stops the labelling within a fraction of a second.

    Warns
    -----
    ExpressionWarning, LabelsFailedWarning
        As label() issues them; failures name features by id.
    """
    check_expression(expression)
    options = source_options(layer, where, open_options)
    labels, fids, summary = _core.label_source(
        os.fspath(source),
        layer,
        options,
        where,
        expression,
        reserved_word_values(reserved_words),
        check_locale(locale),
        int(time.time()),
        functools.partial(_warn_all, stacklevel=2),
    )
    failed = _warn_failures(summary, len(labels), stacklevel=2, fids=fids)
    result = pd.Series(labels, index=pd.Index(fids, name="fid"), name="label", dtype=object)
    result.attrs["failed_labels"] = failed
    return result
