"""The exceptions and warnings of the package, and the result of verify()."""

from dataclasses import dataclass


class InvalidExpression(ValueError):
    """The expression did not verify; ``message`` is the library's text."""

    def __init__(self, message):
        super().__init__(message)
        self.message = message


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

    ``failed`` is how many, ``first_row`` the position (0-based) of the first
    of them and ``message`` the library's text for it. Features read from a
    GDAL source are named by feature id in the text.
    """

    def __init__(self, failed, total, first_row, message, name=None):
        first = name or f"row {first_row}"
        super().__init__(
            f"{failed} of {total} rows could not be labelled; the first, {first}: {message}"
        )
        self.failed = failed
        self.first_row = first_row
        self.message = message


@dataclass(frozen=True)
class VerifyResult:
    """The verdict of verify(): ``valid``, the library's ``message`` and
    ``warnings``, the texts of the ExpressionWarnings about it (a tuple of
    str, empty when there are none)."""

    valid: bool
    message: str
    warnings: tuple = ()

    def __bool__(self):
        return self.valid
