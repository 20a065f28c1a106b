"""Label expressions over pandas, GeoPandas and GDAL layers.

>>> import pandas as pd, peltexpressions as pe
>>> pe.label("[NAME].UCase - [POP].FormatNumber(0)",
...          pd.DataFrame({"NAME": ["Bern"], "POP": [134591]}), locale="en_US").tolist()
['BERN - 134,591']

verify() checks an expression, Expression verifies one once and then labels
rows of values one by one or in batches, label() labels a DataFrame or a list of
dicts, read_labels() a GDAL source, write_labels() writes a labelled copy of
one, and format(), format_number(),
format_currency() and round() apply one formatting function to one value.
peltexpressions.dask.label labels a Dask DataFrame partition by partition.
The expression language: man pelt-expressions, or docs/expressions.md.
"""

from . import dask
from ._core import __version__ as __version__
from ._copies import write_labels
from ._errors import ExpressionWarning, InvalidExpression, LabelsFailedWarning, VerifyResult
from ._expression import Expression
from ._format import format, format_currency, format_number, round
from ._labels import label, read_labels, verify

# format and round are left out: `from peltexpressions import *` must not
# hide the builtins of those names. They are peltexpressions.format and
# peltexpressions.round.
__all__ = [
    "Expression",
    "ExpressionWarning",
    "InvalidExpression",
    "LabelsFailedWarning",
    "VerifyResult",
    "dask",
    "format_currency",
    "format_number",
    "label",
    "read_labels",
    "verify",
    "write_labels",
]
