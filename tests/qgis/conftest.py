import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
SAMPLE = ROOT / "data" / "sample.gpkg"

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")
qgis_core = pytest.importorskip("qgis.core")


def pelt_label(*args):
    """pelt-label's completed run; PELT_LABEL names the program."""
    program = os.environ.get("PELT_LABEL")
    if not program:
        pytest.skip("PELT_LABEL does not name a pelt-label program")
    return subprocess.run([program, *map(str, args)], capture_output=True, text=True)


def pelt_labels(expression, source=SAMPLE):
    """{fid: label} as pelt-label label writes them."""
    done = pelt_label("label", "--format", "jsonl", source, expression)
    return {line["fid"]: line["label"] for line in map(json.loads, done.stdout.splitlines())}


def verify_message(expression):
    """pelt-label's verdict on an invalid expression over the sample."""
    done = pelt_label("verify", SAMPLE, expression)
    assert done.returncode != 0
    return (done.stdout + done.stderr).strip()


@pytest.fixture(scope="session")
def qgis_app():
    """QGIS started headless, with the plugin loaded as qgis_process loads it."""
    from qgis import utils
    from qgis.analysis import QgsNativeAlgorithms

    app = qgis_core.QgsApplication([], False)
    app.initQgis()
    app.processingRegistry().addProvider(QgsNativeAlgorithms())
    sys.path.insert(0, str(ROOT / "qgis-plugin"))
    utils.plugin_paths.insert(0, str(ROOT / "qgis-plugin"))
    assert utils.loadPlugin("peltlabels") and utils.startProcessingPlugin("peltlabels")
    yield app


@pytest.fixture(scope="session")
def sample_layer(qgis_app):
    layer = qgis_core.QgsVectorLayer(str(SAMPLE), "sample", "ogr")
    assert layer.isValid()
    return layer
