# The C++ core (python/src), as the package's own modules call it.
from typing import Any, Callable, Dict, List, Optional, Sequence, Tuple, Union

import numpy as np

__version__: str
FIELD_TYPES: Dict[str, int]
CELL_KINDS: Dict[str, int]

class InvalidExpression(ValueError):
    @property
    def message(self) -> str: ...

class Value:
    @staticmethod
    def null() -> Value: ...
    @staticmethod
    def boolean(b: bool) -> Value: ...
    @staticmethod
    def integer(number: int) -> Value: ...
    @staticmethod
    def double(number: float) -> Value: ...
    @staticmethod
    def text(text: str) -> Value: ...
    @staticmethod
    def date(microseconds: int) -> Value: ...
    def to_python(self) -> Any: ...

Words = Sequence[Tuple[str, Value]]
# (failed, first failed row, its message, unread date texts, the first one's
# row, its text)
Summary = Tuple[int, int, str, int, int, str]

def is_known_locale(locale: str) -> bool: ...
def locale_suggestion(locale: str) -> str: ...
def verify(
    expression: str,
    fields: Sequence[Tuple[str, int]],
    locale: Optional[str],
    words: Optional[Words],
) -> Tuple[bool, str, List[int], List[str]]: ...
def label_frame(
    expression: str,
    described: Sequence[Tuple[Any, ...]],
    row_count: int,
    words: Words,
    locale: Optional[str],
    jobs: int,
    now: int,
    out: np.ndarray,
) -> Summary: ...
def label_source(
    path: str,
    layer: Union[int, str, None],
    open_options: Sequence[str],
    where: Optional[str],
    expression: str,
    words: Words,
    locale: Optional[str],
    now: int,
    warn: Callable[[List[str]], None],
) -> Tuple[np.ndarray, np.ndarray, Summary]: ...
def copy_source(
    path: str,
    layer: Union[int, str, None],
    open_options: Sequence[str],
    where: Optional[str],
    expression: str,
    words: Words,
    locale: Optional[str],
    now: int,
    warn: Callable[[List[str]], None],
    to: str,
    driver: str,
    field: str,
    overwrite: bool,
    layer_name: str,
) -> Tuple[np.ndarray, Summary, List[Tuple[str, str]]]: ...
def driver_for_file_name(path: str) -> Optional[str]: ...
def apply_function(
    value: Value, function: str, argument: Union[int, str], locale: Optional[str]
) -> Tuple[Any, Optional[str]]: ...
def text_not_date_warning(count: int, first: str) -> str: ...

class PreparedExpression:
    def __init__(
        self,
        expression: str,
        fields: Sequence[Tuple[str, int]],
        locale: Optional[str],
        to_value: Callable[[Any], Value],
    ) -> None: ...
    def label(self, values: Sequence[Any], words: Words) -> str: ...
    def label_rows(
        self,
        rows: Sequence[Sequence[Any]],
        words: Words,
        fids: Optional[Sequence[int]],
        first_row: int,
    ) -> Tuple[List[str], Summary]: ...
    @property
    def fields_used(self) -> List[str]: ...
    @property
    def words_used(self) -> List[str]: ...
