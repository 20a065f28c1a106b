"""Labels for Dask DataFrames, made partition by partition on the workers."""

from __future__ import annotations

import time
import warnings
from typing import TYPE_CHECKING, Mapping, Optional

import pandas as pd

from ._errors import ExpressionWarning, InvalidExpression
from ._labels import label_frame, verify
from ._values import Scalar, check_expression, check_locale

if TYPE_CHECKING:
    import dask.dataframe


def _label_partition(partition: pd.DataFrame, expression: str,
                     reserved_words: Optional[Mapping[str, Scalar]], locale: Optional[str],
                     now: float) -> pd.Series:
    # One thread per task: Dask spreads the partitions over the workers.
    return label_frame(partition, expression, reserved_words, locale, 1, now)


def label(ddf: dask.dataframe.DataFrame, expression: str,
          reserved_words: Optional[Mapping[str, Scalar]] = None,
          locale: Optional[str] = None) -> dask.dataframe.Series:
    """Label a Dask DataFrame, each partition in the worker that holds it.

    The expression is verified here against the frame's columns first, so
    that an invalid one is told at once rather than on a worker; then each
    partition is labelled by one evaluator, verified once per partition.
    The labels are those peltexpressions.label gives for the whole frame
    computed in one piece.

    Parameters
    ----------
    ddf : dask.dataframe.DataFrame
        The frame; its columns read as in peltexpressions.label.
    expression : str
        The label expression.
    reserved_words : mapping of str to scalar, optional
        As peltexpressions.label takes them; $$DATE and $$TIME are those of
        this call, the same on every worker.
    locale : str, optional
        As peltexpressions.label takes it, passed to every task; None
        follows each worker's environment.

    Returns
    -------
    dask.dataframe.Series
        The labels (str) named "label" with the frame's index, to be
        computed.

    Raises
    ------
    InvalidExpression
        When the expression does not verify against the frame's columns.
    TypeError, ValueError
        As peltexpressions.label raises them for the expression, the
        locale or the reserved words.

    Warns
    -----
    ExpressionWarning
        Here, for each slip in the expression. Failed labels are empty;
        their warnings stay on the workers.
    """
    from dask.dataframe.utils import make_meta

    check_expression(expression)
    check_locale(locale)
    empty = make_meta(ddf)  # the frame's columns and dtypes, without rows
    verdict = verify(expression, empty, {} if reserved_words is None else reserved_words)
    for text in verdict.warnings:
        warnings.warn(ExpressionWarning(text), stacklevel=2)
    if not verdict.valid:
        raise InvalidExpression(verdict.message)
    meta = pd.Series([], dtype=object, name="label", index=empty.index[:0])
    return ddf.map_partitions(
        _label_partition, expression, reserved_words, locale, int(time.time()), meta=meta
    )
