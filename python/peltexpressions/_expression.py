"""Expression: an expression verified once, labelling rows one by one or in batches."""

from __future__ import annotations

import warnings
from typing import Any, Callable, Iterable, List, Optional, Sequence

from . import _core
from ._errors import LabelsFailedWarning
from ._labels import Fields, ReservedWords, _fields
from ._values import check_expression, check_locale, reserved_word_values, to_value


class Expression:
    """A label expression verified once against a table's fields.

    For hosts that label one record at a time (a GIS's expression
    function, a form): each label then costs one call into the library and
    no verification.

    Parameters
    ----------
    expression : str
        The label expression, such as ``"[NAME].UCase"``.
    fields : iterable of str, mapping or DataFrame
        The table's fields, in the order of the values each row gives, in
        any form verify() takes.
    locale : str, optional
        The text form of numbers and dates ("de_DE" …); None follows the
        environment.
    convert : callable, optional
        Applied to each value of a kind the package does not read itself
        (a host's own date or null objects) before it is read; None, bool,
        int, float and str are read as they are.

    Attributes
    ----------
    expression : str
        As given.
    fields_used : list of str
        The fields the expression names, each once, as written.
    reserved_words_used : list of str
        The reserved words it names (without "$$"), each once, as written.

    Raises
    ------
    InvalidExpression
        When the expression does not verify, with the library's message.
    TypeError, ValueError
        As verify() and label() raise them for their arguments.

    Examples
    --------
    >>> expr = Expression("[NAME].UCase ($$PAGE)", ["NAME"])
    >>> expr.label(["Bern"], {"PAGE": 3})
    'BERN (3)'
    >>> expr.label_rows([["Bern"], ["Thun"]], {"PAGE": 1})
    ['BERN (1)', 'THUN (1)']
    """

    def __init__(self, expression: str, fields: Fields, locale: Optional[str] = None,
                 convert: Optional[Callable[[Any], Any]] = None) -> None:
        self.expression = check_expression(expression)
        read = to_value if convert is None else (lambda value: to_value(convert(value)))
        self._core = _core.PreparedExpression(expression, _fields(fields), check_locale(locale),
                                              read)
        self.fields_used: List[str] = self._core.fields_used
        self.reserved_words_used: List[str] = self._core.words_used

    def label(self, values: Sequence[Any], reserved_words: ReservedWords = None) -> str:
        """The label of one row.

        Parameters
        ----------
        values : sequence
            One value per field, in field order, of the kinds label() reads
            (None for null; date, time and datetime objects as dates). Only
            the values of the fields the expression names are read.
        reserved_words : mapping of str to scalar, optional
            The row's words; $$DATE and $$TIME are supplied unless given.

        Returns
        -------
        str
            The label; "" when it fails, as label() gives it.
        """
        return self._core.label(values, reserved_word_values(reserved_words))

    def label_rows(self, rows: Iterable[Sequence[Any]], reserved_words: ReservedWords = None,
                   fids: Optional[Sequence[int]] = None, first_row: int = 1) -> List[str]:
        """The labels of many rows, made in one call without the GIL.

        Parameters
        ----------
        rows : iterable of sequences
            Each row's values, as label() takes them.
        reserved_words : mapping of str to scalar, optional
            Words for every row; $$DATE and $$TIME are supplied unless given.
        fids : sequence of int, optional
            The rows' feature ids: then $$FID is the row's id and $$ROW its
            position, counted from first_row, as pelt-label gives them.
        first_row : int, default 1
            $$ROW of the first row, for a table labelled batch by batch.

        Returns
        -------
        list of str
            The labels; failed ones are "".

        Warns
        -----
        LabelsFailedWarning
            When some labels could not be made.
        """
        rows = rows if isinstance(rows, list) else list(rows)
        ids = None if fids is None else [int(fid) for fid in fids]
        labels, summary = self._core.label_rows(rows, reserved_word_values(reserved_words), ids,
                                                first_row)
        failed, first, message = summary[0], summary[1], summary[2]
        if failed:
            warnings.warn(LabelsFailedWarning(failed, len(rows), first, message), stacklevel=2)
        return labels

    def __repr__(self) -> str:
        return f"Expression({self.expression!r})"
