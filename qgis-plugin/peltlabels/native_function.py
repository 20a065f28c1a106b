"""The native pelt_label (libpeltqgis.so), loaded when present and loadable.

It labels in C++ what needs nothing from QGIS's context but the fields,
and hands the rest to the Python function. PELT_QGIS_NATIVE names the
library to load instead of the one beside the plugin; "off" keeps the
Python function alone.
"""

from __future__ import annotations

import ctypes
import os
from pathlib import Path
from typing import Optional, Tuple

from qgis.core import Qgis, QgsExpressionFunction, QgsMessageLog

_LIBRARY = "libpeltqgis.so"
_library: Optional[ctypes.CDLL] = None


class _Tally(ctypes.Structure):
    """What the labels made on a thread came to (PeltQgisTally)."""

    _fields_ = [("labels", ctypes.c_int64), ("failed", ctypes.c_int64),
                ("first_failed_fid", ctypes.c_int64), ("first_failure", ctypes.c_char_p),
                ("unread_dates", ctypes.c_int64), ("first_unread_fid", ctypes.c_int64),
                ("first_unread_date", ctypes.c_char_p)]


def _path() -> Optional[Path]:
    """The library to load; None when PELT_QGIS_NATIVE is "off"."""
    named = os.environ.get("PELT_QGIS_NATIVE", "")
    if named.lower() == "off":
        return None
    return Path(named) if named else Path(__file__).with_name(_LIBRARY)


def _log_python_labels(why: str) -> None:
    QgsMessageLog.logMessage(f"pelt_label labels in Python: {why}", "Pelt Labels", Qgis.Info)


def register(help_text: str, for_words: QgsExpressionFunction) -> bool:
    """Registers the native pelt_label, which calls for_words for the context's words.

    False, with a line in QGIS's log unless PELT_QGIS_NATIVE is "off", when
    it cannot serve: the caller then registers for_words itself.
    """
    global _library
    path = _path()
    if path is None:
        return False
    if not path.is_file():
        _log_python_labels(f"there is no {path}")
        return False
    try:
        from qgis.PyQt import sip

        library = ctypes.CDLL(str(path))
        library.pelt_qgis_register.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
        library.pelt_qgis_register.restype = ctypes.c_bool
        library.pelt_qgis_unregister.argtypes = []
        library.pelt_qgis_start_tally.argtypes = []
        library.pelt_qgis_take_tally.argtypes = [ctypes.POINTER(_Tally)]
        registered = library.pelt_qgis_register(help_text.encode("utf-8"),
                                                sip.unwrapinstance(for_words))
    except (OSError, AttributeError) as refused:
        registered, why = False, str(refused)
    else:
        why = "it refused to register"
    if not registered:
        _log_python_labels(f"{path} did not load ({why})")
        return False
    _library = library
    return True


def loaded() -> bool:
    """True while the native pelt_label is registered."""
    return _library is not None


def unregister() -> None:
    global _library
    if _library is not None:
        _library.pelt_qgis_unregister()
        _library = None


def start_tally() -> None:
    """Counts the labels the native pelt_label makes on this thread from now on."""
    if _library is not None:
        _library.pelt_qgis_start_tally()


def take_tally() -> Tuple[int, Tuple[int, int, str, int, int, str]]:
    """How many labels this thread made since start_tally, and what they came to.

    The second item is (failed, first failed fid, its message, date texts
    left unread, first such fid, its text); counting stops.
    """
    tally = _Tally()
    if _library is not None:
        _library.pelt_qgis_take_tally(ctypes.byref(tally))
    text = lambda raw: raw.decode("utf-8") if raw else ""  # noqa: E731
    return tally.labels, (tally.failed, tally.first_failed_fid, text(tally.first_failure),
                          tally.unread_dates, tally.first_unread_fid,
                          text(tally.first_unread_date))
