import re
from pathlib import Path

import peltexpressions as pe

ROOT = Path(__file__).resolve().parents[2]


def test_version_is_the_projects():
    project = re.search(r"project\(\w+ VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())
    assert pe.__version__ == project.group(1)


def test_star_import_keeps_the_builtins_format_and_round():
    namespace = {}
    exec("from peltexpressions import *\nresult = format(1.5, '.2f'), round(2.567, 1)", namespace)
    assert namespace["result"] == ("1.50", 2.6)
    assert (pe.format(1.5, "0.00"), pe.round(2.567, 1)) == ("1.50", 2.6)
