"""The formatting functions on one value, as a label applies them."""

import operator

from . import _core
from ._values import check_locale, to_value

_INT32 = (-(2**31), 2**31 - 1)


def _decimals(decimals):
    if isinstance(decimals, bool):
        raise TypeError("decimals must be an int, not bool")
    decimals = operator.index(decimals)
    if not _INT32[0] <= decimals <= _INT32[1]:
        raise ValueError(f"decimals {decimals} is out of range")
    return decimals


def _apply(value, function, argument, locale):
    return _core.apply_function(to_value(value), function, argument, check_locale(locale))


def format(value, picture="", locale=None):
    """The text of value formatted by a picture, as ``[F].Format(picture)`` gives it.

    Numbers, dates and numeric text take number and date pictures ("#,##0.00",
    "dddd d mmmm yyyy"), any value text pictures ("@@@"); "" gives the value's
    text form. A picture that does not apply leaves the value as it is.
    Returns None for a null result.
    """
    if not isinstance(picture, str):
        raise TypeError("picture must be a str")
    return _apply(value, "Format", picture, locale)[1]


def format_number(value, decimals=-1, locale=None):
    """A number with ``decimals`` decimals and the locale's grouping (-1: the locale's default).

    Text that is not numeric, and counts the library refuses (below -1,
    above 99), leave the value as it is, as in a label.
    """
    return _apply(value, "FormatNumber", _decimals(decimals), locale)[1]


def format_currency(value, locale=None):
    """A number as an amount of the locale's currency."""
    return _apply(value, "FormatCurrency", "", locale)[1]


def round(value, decimals=0, locale=None):
    """A number rounded to ``decimals`` decimals, a tie going to the even neighbour.

    Integers stay int, numeric text becomes a float; values that are not
    numeric come back as they are, as in a label.
    """
    return _apply(value, "Round", _decimals(decimals), locale)[0]
