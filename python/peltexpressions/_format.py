"""The formatting functions on one value, as a label applies them."""

from __future__ import annotations

import datetime
import operator
from typing import Any, Optional, Tuple, Union, overload

from . import _core
from ._values import Scalar, check_locale, to_value

_INT32 = (-(2**31), 2**31 - 1)


def _decimals(decimals: int) -> int:
    if isinstance(decimals, bool):
        raise TypeError("decimals must be an int, not bool")
    decimals = operator.index(decimals)
    if not _INT32[0] <= decimals <= _INT32[1]:
        raise ValueError(f"decimals {decimals} is out of range")
    return decimals


def _apply(value: Scalar, function: str, argument: Union[int, str],
           locale: Optional[str]) -> Tuple[Any, Optional[str]]:
    return _core.apply_function(to_value(value), function, argument, check_locale(locale))


def format(value: Scalar, picture: str = "", locale: Optional[str] = None) -> Optional[str]:
    """Format one value by a picture, as ``[F].Format(picture)`` formats a field.

    Parameters
    ----------
    value : scalar
        None, bool, int, float, str, UTF-8 bytes, a date, datetime or time, or
        a numpy scalar; None, NaN, NaT and pd.NA are null.
    picture : str, default ""
        A number picture ("#,##0.00"), a date picture ("dddd d mmmm yyyy")
        or a text picture ("@@@"); "" gives the value's text form. A picture
        that does not apply leaves the value as it is.
    locale : str, optional
        The locale ("de_DE" …) of separators, names of days and months;
        None follows the environment (LC_ALL, LC_NUMERIC, LANG).

    Returns
    -------
    str or None
        The text, or None for a null result.

    Raises
    ------
    TypeError
        For a value of another type, or a picture that is not a str.
    ValueError
        For bytes that are not UTF-8, or an unknown locale.
    """
    if not isinstance(picture, str):
        raise TypeError("picture must be a str")
    return _apply(value, "Format", picture, locale)[1]


def format_number(value: Scalar, decimals: int = -1, locale: Optional[str] = None) -> Optional[str]:
    """A number with some decimals and the locale's grouping, as ``.FormatNumber``.

    Parameters
    ----------
    value : scalar
        As format() takes it; numeric text counts as a number.
    decimals : int, default -1
        How many decimals; -1 is the locale's default. Counts the library
        refuses (below -1, above 99) leave the value as it is, as text that
        is not numeric does, as in a label.
    locale : str, optional
        As format() takes it.

    Returns
    -------
    str or None
        The text, or None for a null result.

    Raises
    ------
    TypeError
        For a value of another type, or decimals that are not an int.
    ValueError
        For decimals beyond 32 bits, bytes that are not UTF-8, or an
        unknown locale.
    """
    return _apply(value, "FormatNumber", _decimals(decimals), locale)[1]


def format_currency(value: Scalar, locale: Optional[str] = None) -> Optional[str]:
    """A number as an amount of the locale's currency, as ``.FormatCurrency``.

    Parameters
    ----------
    value : scalar
        As format() takes it.
    locale : str, optional
        As format() takes it.

    Returns
    -------
    str or None
        The text, or None for a null result.

    Raises
    ------
    TypeError
        For a value of another type.
    ValueError
        For bytes that are not UTF-8, or an unknown locale.
    """
    return _apply(value, "FormatCurrency", "", locale)[1]


@overload
def round(value: int, decimals: int = 0, locale: Optional[str] = None) -> int: ...
@overload
def round(value: float, decimals: int = 0, locale: Optional[str] = None) -> float: ...
@overload
def round(value: None, decimals: int = 0, locale: Optional[str] = None) -> None: ...
@overload
def round(value: Union[str, bytes], decimals: int = 0,
          locale: Optional[str] = None) -> Union[float, str]: ...
@overload
def round(value: Union[datetime.date, datetime.time], decimals: int = 0,
          locale: Optional[str] = None) -> datetime.datetime: ...
@overload
def round(value: Scalar, decimals: int = 0, locale: Optional[str] = None) -> Any: ...


def round(value: Scalar, decimals: int = 0, locale: Optional[str] = None) -> Any:
    """A number rounded to some decimals, a tie going to the even neighbour, as ``.Round``.

    Parameters
    ----------
    value : scalar
        As format() takes it.
    decimals : int, default 0
        How many decimals to keep.
    locale : str, optional
        The locale numeric text is read in, as format() takes it.

    Returns
    -------
    int, float, str, datetime.datetime or None
        An int stays int (a bool is the int it stands for, True -1),
        numeric text becomes a float; values that are not numeric come back
        as they are, as in a label (dates and times as datetime.datetime).

    Raises
    ------
    TypeError
        For a value of another type, or decimals that are not an int.
    ValueError
        For decimals beyond 32 bits, bytes that are not UTF-8, or an
        unknown locale.
    """
    return _apply(value, "Round", _decimals(decimals), locale)[0]
