"""Labels for Dask DataFrames, made partition by partition on the workers."""

import time
import warnings

import pandas as pd

from ._errors import ExpressionWarning, InvalidExpression
from ._labels import label_frame, verify
from ._values import check_expression, check_locale


def _label_partition(partition, expression, reserved_words, locale, now):
    # One thread per task: Dask spreads the partitions over the workers.
    return label_frame(partition, expression, reserved_words, locale, 1, now)


def label(ddf, expression, reserved_words=None, locale=None):
    """Label a Dask DataFrame: a Dask Series of str with the frame's index.

    The expression is verified here against the frame's columns first
    (InvalidExpression at once rather than on a worker); then each
    partition is labelled by one evaluator in the worker process that holds
    it, verified once per partition. The labels are the same as
    peltexpressions.label gives for the whole frame computed in one piece.
    Failed labels are empty; their warnings stay on the workers. The
    ExpressionWarnings about the expression itself are issued here.
    """
    check_expression(expression)
    check_locale(locale)
    verdict = verify(expression, ddf._meta, {} if reserved_words is None else reserved_words)
    for text in verdict.warnings:
        warnings.warn(ExpressionWarning(text), stacklevel=2)
    if not verdict.valid:
        raise InvalidExpression(verdict.message)
    meta = pd.Series([], dtype=object, name="label", index=ddf._meta.index[:0])
    return ddf.map_partitions(
        _label_partition, expression, reserved_words, locale, int(time.time()), meta=meta
    )
