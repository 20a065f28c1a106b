"""Data frame columns as the fields and cells of the library's host table.

Each column becomes one field whose type code and values are the ones the
GDAL adapter gives for the like GDAL field:

=============================  ============  ===============================
pandas dtype                   type code     values
=============================  ============  ===============================
bool, boolean                  SmallInteger  Boolean
int8, int16, uint8 (+ Int*)    SmallInteger  Integer
other integers (+ Int*)        Integer       Long; Double beyond 32 bits
float32 / float64 (+ Float*)   Single/Double Double
datetime64, also with a zone   Date          Date (wall-clock time, zone
                                             dropped); ISO text outside the
                                             years 100 to 9999
string, object of str          String        String
object of bytes                String        String (UTF-8, else ValueError)
object of date, datetime,      Date          Date
time, int, float or bool       as above      as above
category                       by the type of its categories
geometry (GeoPandas)           Geometry      refused by verification
=============================  ============  ===============================

Missing values (None, NaN, NaT, pd.NA) are null, as a null GDAL field. An
integer column with missing values is a float column in pandas unless it
uses a nullable dtype (Int64 …): its numbers then read as Double, since
pandas no longer knows they were integers. Other dtypes (timedelta,
period, complex, lists, mixed objects) raise TypeError.
"""

from __future__ import annotations

from typing import Any, Collection, List, NoReturn, Optional, Tuple

import numpy as np
import pandas as pd

from . import _core
from ._values import decode_bytes, epoch_microseconds, is_missing

# (name, type code, cell kind, cells, missing mask), as _core takes a column.
Described = Tuple[str, int, int, Any, Optional[np.ndarray]]

_TYPE = _core.FIELD_TYPES
_KIND = _core.CELL_KINDS
_NULL_MOMENT = np.iinfo(np.int64).min
_SMALL_INTEGERS = ("int8", "int16", "uint8")
# What pandas.api.types.infer_dtype reports for object columns that hold one
# kind of scalar, and the dtype those scalars are read as.
_OBJECT_KINDS = {
    "integer": "Int64",
    "floating": "float64",
    "mixed-integer-float": "float64",
    "decimal": "float64",
    "boolean": "boolean",
}
_OBJECT_DATES = ("date", "datetime", "datetime64", "time")


def type_code(series: pd.Series) -> int:
    """The field type code of a column, from its dtype alone."""
    dtype = series.dtype
    if dtype.name == "geometry":
        return _TYPE["Geometry"]
    if isinstance(dtype, pd.CategoricalDtype):
        dtype = dtype.categories.dtype
    if pd.api.types.is_bool_dtype(dtype):
        return _TYPE["SmallInteger"]
    if pd.api.types.is_integer_dtype(dtype):
        return _TYPE["SmallInteger" if dtype.name.lower() in _SMALL_INTEGERS else "Integer"]
    if pd.api.types.is_float_dtype(dtype):
        return _TYPE["Single" if dtype.name.lower() == "float32" else "Double"]
    if pd.api.types.is_datetime64_any_dtype(dtype):
        return _TYPE["Date"]
    return _TYPE["String"]


def _missing_mask(series: pd.Series) -> Optional[np.ndarray]:
    mask = series.isna().to_numpy(dtype=np.uint8)
    return mask if mask.any() else None


def _refuse(name: str, series: pd.Series, what: Optional[str] = None) -> NoReturn:
    if what is None:
        kinds = sorted({type(v).__name__ for v in series if not is_missing(v)})
        what = " and ".join(kinds) or series.dtype.name
    raise TypeError(f"column {name!r} holds {what} values, which have no label text")


def _numeric_cells(name: str, series: pd.Series, code: int) -> Described:
    """The cells of a bool, integer or float column (nullable or not)."""
    dtype = series.dtype
    missing = _missing_mask(series) if pd.api.types.is_extension_array_dtype(dtype) else None
    if pd.api.types.is_bool_dtype(dtype):
        cells = series.to_numpy(dtype=np.uint8, na_value=0)
        return (name, code, _KIND["boolean"], cells, missing)
    if pd.api.types.is_integer_dtype(dtype):
        if dtype.name.lower() == "uint64" and (series.max() > np.iinfo(np.int64).max):
            cells = series.to_numpy(dtype=np.float64, na_value=np.nan)
            return (name, code, _KIND["real"], cells, None)
        kind = "small_integer" if code == _TYPE["SmallInteger"] else "integer"
        return (name, code, _KIND[kind], series.to_numpy(dtype=np.int64, na_value=0), missing)
    cells = series.to_numpy(dtype=np.float64, na_value=np.nan)
    return (name, code, _KIND["real"], cells, None)


def _date_cells(name: str, series: pd.Series) -> Described:
    if pd.api.types.is_datetime64_any_dtype(series.dtype):
        if getattr(series.dtype, "tz", None) is not None:
            series = series.dt.tz_localize(None)  # the wall-clock time of its zone
        cells = series.to_numpy().astype("datetime64[us]").view(np.int64)
    else:
        cells = np.fromiter(
            (_NULL_MOMENT if is_missing(v) else epoch_microseconds(v) for v in series),
            dtype=np.int64,
            count=len(series),
        )
    return (name, _TYPE["Date"], _KIND["date"], cells, None)


def _text_cells(name: str, series: pd.Series) -> Described:
    return (name, _TYPE["String"], _KIND["text"], series.to_numpy(dtype=object), None)


def _object_cells(name: str, series: pd.Series) -> Described:
    inferred = pd.api.types.infer_dtype(series, skipna=True)
    if inferred in ("string", "empty"):
        return _text_cells(name, series)
    if inferred == "bytes":
        texts = [
            None if is_missing(v) else decode_bytes(v, f"row {i} of column {name!r}")
            for i, v in enumerate(series)
        ]
        return _text_cells(name, pd.Series(texts, dtype=object))
    if inferred in _OBJECT_DATES:
        return _date_cells(name, series)
    if inferred in _OBJECT_KINDS:
        try:
            typed = series.astype(_OBJECT_KINDS[inferred])
        except OverflowError:  # ints beyond 64 bits read as Double, as one alone does
            typed = series.astype("float64")
        return _numeric_cells(name, typed, type_code(typed))
    _refuse(name, series)


def describe_column(name: str, series: pd.Series) -> Described:
    """One column with its cells, as _core.label_frame takes it."""
    dtype = series.dtype
    code = type_code(series)
    if code == _TYPE["Geometry"]:
        return (name, code, _KIND["none"], None, None)
    if isinstance(dtype, pd.CategoricalDtype):
        return describe_column(name, series.astype(dtype.categories.dtype))
    if pd.api.types.is_bool_dtype(dtype) or pd.api.types.is_integer_dtype(dtype):
        return _numeric_cells(name, series, code)
    if pd.api.types.is_float_dtype(dtype):
        return _numeric_cells(name, series, code)
    if pd.api.types.is_datetime64_any_dtype(dtype):
        return _date_cells(name, series)
    if pd.api.types.is_string_dtype(dtype) and dtype != object:
        return _text_cells(name, series.astype(object).where(series.notna(), None))
    if dtype == object:
        return _object_cells(name, series)
    _refuse(name, series, dtype.name)


def field_list(frame: pd.DataFrame) -> List[Tuple[str, int]]:
    """The frame's columns as (name, type code) pairs."""
    return [(str(name), type_code(frame.iloc[:, i])) for i, name in enumerate(frame.columns)]


def described_columns(frame: pd.DataFrame, used: Collection[int]) -> List[Described]:
    """The frame's columns for _core.label_frame.

    Only the columns at the positions in used (those the expression names)
    are converted; the others keep their type code, which is all
    verification reads of them.
    """
    described = []
    for i, (name, code) in enumerate(field_list(frame)):
        if i in used:
            described.append(describe_column(name, frame.iloc[:, i]))
        else:
            described.append((name, code, _KIND["none"], None, None))
    return described
