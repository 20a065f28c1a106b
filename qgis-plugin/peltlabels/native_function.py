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
from typing import Optional

from qgis.core import Qgis, QgsExpressionFunction, QgsMessageLog

_LIBRARY = "libpeltqgis.so"
_library: Optional[ctypes.CDLL] = None


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
