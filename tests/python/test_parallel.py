import _thread
import functools
import runpy
import signal
import threading
import time
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

import peltexpressions as pe

EXAMPLE = Path(__file__).resolve().parents[2] / "examples" / "python" / "dask_labels.py"
FRAME = pd.DataFrame({"N": [1234.5 + i for i in range(20000)]})


def test_dask_example_matches_one_process():
    pytest.importorskip("distributed")
    example = runpy.run_path(str(EXAMPLE), run_name="dask_labels")
    assert example["main"](copies=200, partitions=3, workers=2)


# Python threads labelling at once, each in its own locale, get the labels
# they would get alone.
@pytest.mark.parametrize("locales", [("de_DE", "en_US"), ("fr_FR", "fr_FR", None)])
def test_threads_keep_their_locales(locales):
    alone = [pe.label("[N]", FRAME, locale=locale, jobs=2) for locale in locales]
    together = [None] * len(locales)

    def work(i):
        for _ in range(3):
            together[i] = pe.label("[N]", FRAME, locale=locales[i], jobs=2)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(locales))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert all(a.equals(t) for a, t in zip(alone, together))


def test_a_locale_given_to_label_ends_with_the_call():
    before = pe.format(1234.5, "#,##0.00")
    pe.label("[N]", FRAME.head(1), locale="de_DE" if before == "1,234.50" else "en_US")
    assert pe.format(1234.5, "#,##0.00") == before


# Each Dask task labels in the locale its call names, not the environment's:
# two calls whose locales write numbers differently, computed together on
# several partitions.
def test_dask_tasks_label_in_the_calls_locale():
    dask = pytest.importorskip("dask")
    ddf = pytest.importorskip("dask.dataframe").from_pandas(FRAME.head(8).assign(N=1234.5),
                                                            npartitions=4)
    expected = {"de_DE": "1.234,5", "en_US": "1,234.5"}
    calls = [pe.dask.label(ddf, "[N].Format(#,##0.0)", locale=locale) for locale in expected]
    computed = dask.compute(*calls, scheduler="threads", num_workers=2)
    assert [set(labels) for labels in computed] == [{text} for text in expected.values()]


def _long_source(tmp_path):
    path = tmp_path / "long.csv"
    path.write_text("N,M\n" + "1,2\n" * 1_500_000)
    return path


# Calls that take seconds, each made ready to start.
LONG_CALLS = {
    "label": lambda _: functools.partial(
        pe.label, "[N].FormatNumber(2) [N].Format(#,##0.000) [N].FormatCurrency",
        pd.DataFrame({"N": np.arange(2_000_000)}), jobs=1),
    "read_labels": lambda tmp_path: functools.partial(pe.read_labels, _long_source(tmp_path), "[N]"),
}


# Ctrl-C stops a long call at once, in the middle of its labels rather than
# when they are done.
@pytest.mark.parametrize("name", LONG_CALLS)
def test_ctrl_c_stops_a_long_call(tmp_path, name):
    call = LONG_CALLS[name](tmp_path)
    # Python handles Ctrl-C as at a terminal, even when this run was started
    # in the background, where SIGINT comes ignored.
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    timer = threading.Timer(0.3, _thread.interrupt_main)
    start = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt) as raised:
            call()
    finally:
        timer.cancel()
        signal.signal(signal.SIGINT, previous)
    assert time.monotonic() - start < 1.2
    assert raised.traceback[-1].name in ("label_frame", "read_labels")
