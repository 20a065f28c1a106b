"""write_labels(): a labelled copy of a GDAL source, written without Python."""

from __future__ import annotations

import functools
import os
import time
import warnings
from typing import Iterable, Optional, Union

from . import _core
from ._labels import ReservedWords, _warn_all, _warn_failures, source_options
from ._values import check_expression, check_locale, reserved_word_values


def write_labels(source: Union[str, os.PathLike[str]], expression: str,
                 to: Union[str, os.PathLike[str]], field: str = "label",
                 layer: Union[int, str, None] = None, where: Optional[str] = None,
                 open_options: Optional[Iterable[str]] = None,
                 reserved_words: ReservedWords = None, locale: Optional[str] = None,
                 driver: Optional[str] = None, overwrite: bool = False,
                 layer_name: Optional[str] = None) -> int:
    """Write a copy of a GDAL layer with each feature's label in a new field.

    The copy is what ``pelt-label label SOURCE EXPR --to TO --field FIELD``
    writes: every attribute and geometry of the source kept, the labels as
    read_labels() makes them (an empty text where one fails). Reading,
    labelling and writing all run in the library, with the GIL released.

    Parameters
    ----------
    source, expression, layer, where, open_options, reserved_words, locale
        As read_labels() takes them.
    to : str or path-like
        The new dataset. It appears only once it is complete.
    field : str, default "label"
        The name of the new text field; the source must have no field of
        that name.
    driver : str, optional
        The GDAL driver that writes it ("GPKG", "GeoJSON" …); by default the
        one GDAL's own tools choose from the extension of to.
    overwrite : bool, default False
        Replace what is at to.
    layer_name : str, optional
        The name of the copy's layer; by default the source layer's (a
        Shapefile's layer is always named after its file).

    Returns
    -------
    int
        The number of features written.

    Raises
    ------
    FileExistsError
        When something is at to and overwrite is off.
    ValueError
        When to would replace the source or one of its files, the field
        exists, no driver writes files named like to, and as read_labels().
    OSError
        When writing fails (nothing is then left at to), and as read_labels().
    FileNotFoundError, InvalidExpression, TypeError, KeyboardInterrupt
        As read_labels() raises them.

    Warns
    -----
    ExpressionWarning, LabelsFailedWarning
        As read_labels() issues them.
    UserWarning
        When the format renames a field (a Shapefile keeps ten characters).
    """
    check_expression(expression)
    options = source_options(layer, where, open_options)
    if not isinstance(field, str):
        raise TypeError("field must be a str")
    if layer_name is not None and not isinstance(layer_name, str):
        raise TypeError("layer_name must be a str")
    to = os.fspath(to)
    if driver is None:
        driver = _core.driver_for_file_name(to)
        if driver is None:
            raise ValueError(f"no GDAL driver writes files named like '{to}': "
                             "give driver= or another extension")
    ids, summary, renamed = _core.copy_source(
        os.fspath(source), layer, options, where, expression,
        reserved_word_values(reserved_words), check_locale(locale), int(time.time()),
        functools.partial(_warn_all, stacklevel=2), to, driver, field, bool(overwrite),
        layer_name or "")
    for asked, written in renamed:
        warnings.warn(f"field '{asked}' is named '{written}' in '{to}': the {driver} "
                      "format shortened it", stacklevel=2)
    _warn_failures(summary, len(ids), stacklevel=2, fids=ids)
    return len(ids)
