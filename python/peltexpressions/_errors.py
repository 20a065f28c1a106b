"""The exceptions and warnings of the package, and the result of verify()."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Optional, Tuple

# Raised by the C++ core, which registers it; a ValueError whose ``message``
# is the library's text.
from ._core import InvalidExpression as InvalidExpression


class ExpressionWarning(UserWarning):
    """Literal text in the expression that is almost certainly a slip.

    The expression language reads whatever it does not recognise as literal
    text (".Lefft(2)" after a field, a reserved word nobody gives a value);
    the labels are made as always, and this warning says what the text is
    read as and, where there is one, the fix. Also issued at the end of a
    run for text that a date picture could not read as a date.
    """


class LabelsFailedWarning(UserWarning):
    """Some labels could not be made: their rows are empty strings.

    Parameters
    ----------
    failed : int
        How many labels failed.
    total : int
        How many rows were labelled.
    first_row : int
        The position (0-based) of the first failed row.
    message : str
        The library's text for the first failure.
    name : str, optional
        How the text names the first failed row ("feature 7" for a GDAL
        source); "row N" when not given.

    Attributes
    ----------
    failed, first_row, message
        As given.
    """

    def __init__(self, failed: int, total: int, first_row: int, message: str,
                 name: Optional[str] = None) -> None:
        first = name or f"row {first_row}"
        super().__init__(
            f"{failed} of {total} rows could not be labelled; the first, {first}: {message}"
        )
        self.failed = failed
        self.first_row = first_row
        self.message = message


@dataclass(frozen=True)
class VerifyResult:
    """The verdict of verify(); true when the expression is valid.

    Attributes
    ----------
    valid : bool
        Whether the expression verified.
    message : str
        The library's text: "Expression is Valid!" or the reason for refusal.
    warnings : tuple of str
        The texts of the ExpressionWarnings about the expression (empty when
        there are none).
    """

    valid: bool
    message: str
    warnings: Tuple[str, ...] = ()

    def __bool__(self) -> bool:
        return self.valid

