"""Python scalars as the library's values, and locale names."""

from __future__ import annotations

import datetime
import math
from typing import Any, List, Mapping, Optional, Tuple, Union

import numpy as np
import pandas as pd

from . import _core

# What a value may be: a reserved word's, or the one value of format() and
# its kin. None, NaN, NaT and pd.NA are null.
Scalar = Union[None, bool, int, float, str, bytes, datetime.date, datetime.time, np.generic]

_EPOCH = datetime.datetime(1970, 1, 1)
_ZERO_DAY = datetime.date(1899, 12, 30)  # the day a time of day alone stands on
_MICROSECOND = datetime.timedelta(microseconds=1)
_INT64 = (-(2**63), 2**63 - 1)


def check_locale(locale: object) -> Optional[str]:
    """The locale id, checked; None stays None (the environment's locale)."""
    if locale is None:
        return None
    if not isinstance(locale, str):
        raise TypeError(f"locale must be a str such as 'de_DE', not {type(locale).__name__}")
    if not _core.is_known_locale(locale):
        raise ValueError(f"unknown locale {locale!r}{_core.locale_suggestion(locale)}")
    return locale


def is_missing(value: object) -> bool:
    """None, NaN, NaT and pd.NA: the values that read as null."""
    if value is None or value is pd.NA or value is pd.NaT:
        return True
    return isinstance(value, (float, np.floating)) and math.isnan(value)


def decode_bytes(value: bytes, where: str) -> str:
    """bytes as UTF-8 text; anything else is refused with where in the message."""
    try:
        return value.decode("utf-8")
    except UnicodeDecodeError as error:
        raise ValueError(f"{where} is not UTF-8 text: {error}") from None


def epoch_microseconds(value: Any) -> int:
    """A datetime, date or time as microseconds since 1970 on the wall clock.

    A time zone is dropped, keeping the wall-clock time the value shows; a
    time alone stands on the zero day of serial dates, 30 December 1899.
    """
    if isinstance(value, np.datetime64):
        value = pd.Timestamp(value)
    if isinstance(value, datetime.datetime):
        value = value.replace(tzinfo=None)
    elif isinstance(value, datetime.date):
        value = datetime.datetime.combine(value, datetime.time())
    elif isinstance(value, datetime.time):
        value = datetime.datetime.combine(_ZERO_DAY, value.replace(tzinfo=None))
    return (value - _EPOCH) // _MICROSECOND


def to_value(value: Scalar, where: str = "value") -> _core.Value:
    """One Python scalar as the library's value (see peltexpressions.label)."""
    if is_missing(value):
        return _core.Value.null()
    if isinstance(value, np.generic) and not isinstance(value, np.datetime64):
        value = value.item()
    if isinstance(value, bool):
        return _core.Value.boolean(value)
    if isinstance(value, int):
        if _INT64[0] <= value <= _INT64[1]:
            return _core.Value.integer(value)
        return _core.Value.double(float(value))
    if isinstance(value, float):
        return _core.Value.double(value)
    if isinstance(value, str):
        return _core.Value.text(value)
    if isinstance(value, bytes):
        return _core.Value.text(decode_bytes(value, where))
    if isinstance(value, (datetime.date, datetime.time, np.datetime64)):
        return _core.Value.date(epoch_microseconds(value))
    raise TypeError(f"{where} of type {type(value).__name__} has no label text")


def reserved_word_values(
    reserved_words: Optional[Mapping[str, Scalar]],
) -> List[Tuple[str, _core.Value]]:
    """The caller's reserved words as (name, value) pairs, names without "$$"."""
    if reserved_words is None:
        return []
    if not hasattr(reserved_words, "items"):
        raise TypeError("reserved_words must be a mapping of names to values")
    pairs = []
    for name, value in reserved_words.items():
        if not isinstance(name, str):
            raise TypeError(f"reserved word names must be str, not {type(name).__name__}")
        # "$$PAGE_NUMBER", as the word is written in expressions, means PAGE_NUMBER.
        key = name[2:] if name.startswith("$$") else name
        pairs.append((key, to_value(value, f"reserved word {name!r}")))
    return pairs


def check_expression(expression: object) -> str:
    """The expression, refused (TypeError) unless a str."""
    if not isinstance(expression, str):
        raise TypeError(f"expression must be a str, not {type(expression).__name__}")
    return expression
