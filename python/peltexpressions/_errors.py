"""The exceptions and warnings of the package, and the result of verify()."""

from dataclasses import dataclass


class InvalidExpression(ValueError):
    """The expression did not verify; ``message`` is the library's text."""

    def __init__(self, message):
        super().__init__(message)
        self.message = message


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
    """The verdict of verify(): ``valid`` and the library's ``message``."""

    valid: bool
    message: str

    def __bool__(self):
        return self.valid
