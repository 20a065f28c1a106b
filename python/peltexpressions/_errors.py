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
    of them and ``message`` the library's text for it.
    """

    def __init__(self, failed, total, first_row, message):
        super().__init__(
            f"{failed} of {total} rows could not be labelled; "
            f"the first, row {first_row}: {message}"
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
