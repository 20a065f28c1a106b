import runpy
import threading
from pathlib import Path

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
