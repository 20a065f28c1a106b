import datetime

import pytest

import peltexpressions as pe
from conftest import pelt_label

# (Python value, the same value written for pelt-label format, locale).
VALUES = [
    (1234.5, "num:1234.5", "de_DE"),
    (-0.004, "num:-0.004", "en_US"),
    (42, "int:42", "ja_JP"),
    (2.5, "num:2.5", "en_IN"),
    (True, "bool:true", "en_US"),
    (None, "null:", "fr_FR"),
    ("3/9/2024", "str:3/9/2024", "en_US"),
    ("text", "str:text", "en_US"),
    (datetime.date(2026, 1, 5), "date:2026-01-05", "de_DE"),
    (datetime.datetime(2026, 1, 5, 13, 4, 9, tzinfo=datetime.timezone.utc), "date:2026-01-05T13:04:09", "en_US"),
    (datetime.time(13, 4, 9), "time:13:04:09", "en_GB"),
]
# (Python function, pelt-label's name for it, argument).
FUNCTIONS = [
    (pe.format, "Format", "#,##0.00"),
    (pe.format, "Format", "dddd d mmmm yyyy hh:nn"),
    (pe.format, "Format", ""),
    (pe.format_number, "FormatNumber", 2),
    (pe.format_number, "FormatNumber", -1),
    (pe.format_currency, "FormatCurrency", None),
    (pe.round, "Round", 1),
]


@pytest.mark.parametrize("value,literal,locale", VALUES)
@pytest.mark.parametrize("function,name,argument", FUNCTIONS)
def test_functions_give_pelt_labels_texts(value, literal, locale, function, name, argument):
    arguments = [] if argument is None else [argument]
    lines, code = pelt_label("format", "--locale", locale, "--function", name, "--", literal, *arguments)
    assert code == 0
    result = function(value, *arguments, locale=locale)
    text = result if function is not pe.round else pe.format(result, "", locale=locale)
    assert [text or ""] == lines
