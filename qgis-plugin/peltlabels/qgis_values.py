"""QGIS attribute and variable values as the Python values peltexpressions reads.

Dates, times and date-times become datetime objects, which the package
reads as dates, as the GDAL adapter reads those fields; NULL becomes None.
"""

from __future__ import annotations

import datetime
import re
from pathlib import Path
from typing import Any, Dict

from qgis.core import QgsFields
from qgis.PyQt.QtCore import QDate, QDateTime, QTime, QVariant

# The field type names of peltexpressions for QGIS's field types, from the
# table the native pelt_label reads too; others read as String.
_TYPE_NAMES = {
    getattr(QVariant, qgis_type): name
    for qgis_type, name in re.findall(
        r"^PELT_QGIS_FIELD_TYPE\((\w+), (\w+)\)",
        (Path(__file__).with_name("field_types.def")).read_text(encoding="utf-8"), re.M)
}


def python_value(value: Any) -> Any:
    """One attribute or variable value; None for NULL and what has no label text."""
    if value is None or (isinstance(value, QVariant) and value.isNull()):
        return None
    if isinstance(value, QDateTime):
        return value.toPyDateTime() if value.isValid() else None
    if isinstance(value, QDate):
        return value.toPyDate() if value.isValid() else None
    if isinstance(value, QTime):
        return value.toPyTime() if value.isValid() else None
    if isinstance(value, (str, bool, int, float, datetime.date, datetime.time)):
        return value
    if isinstance(value, (list, tuple)):
        return ",".join(_list_item(item) for item in value)
    return None


def _list_item(item: Any) -> str:
    """An element of a list field as the GDAL adapter writes it: 2.0 as 2."""
    text = repr(item) if isinstance(item, float) else str(item)
    return text[:-2] if isinstance(item, float) and text.endswith(".0") else text


def field_types(fields: QgsFields) -> Dict[str, str]:
    """The peltexpressions type name of each field by name, in field order."""
    return {field.name(): _TYPE_NAMES.get(field.type(), "String") for field in fields}

