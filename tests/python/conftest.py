import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SAMPLE = ROOT / "data" / "sample.gpkg"


def pelt_label(*args):
    """pelt-label's output lines and exit code; PELT_LABEL names the program."""
    program = os.environ.get("PELT_LABEL")
    if not program:
        pytest.skip("PELT_LABEL does not name a pelt-label program")
    done = subprocess.run([program, *map(str, args)], capture_output=True, text=True)
    return (done.stdout + done.stderr).splitlines(), done.returncode


@pytest.fixture(scope="session")
def sample():
    geopandas = pytest.importorskip("geopandas")
    return geopandas.read_file(SAMPLE)
