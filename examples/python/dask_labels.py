"""Labels a layer split into partitions on a local Dask cluster of worker
processes, and checks that the labels are the ones made in one process.

    python3 examples/python/dask_labels.py [COPIES] [PARTITIONS] [WORKERS]

The layer is the bundled sample, repeated COPIES times (default 2000).
"""

import sys
from pathlib import Path

import dask.dataframe as dd
import geopandas
import pandas as pd
from distributed import Client, LocalCluster

import peltexpressions as pe

SAMPLE = Path(__file__).resolve().parents[2] / "data" / "sample.gpkg"
EXPRESSION = (
    "[NAME].UCase ([COUNTRY]): [POPULATION].FormatNumber(0), [SURVEYED].Format(d mmmm yyyy)"
)


def layer(copies):
    sample = pd.DataFrame(geopandas.read_file(SAMPLE).drop(columns=["geometry", "PHOTO"]))
    return pd.concat([sample] * copies, ignore_index=True)


def main(copies=2000, partitions=4, workers=2):
    frame = layer(copies)
    expected = pe.label(EXPRESSION, frame, locale="en_GB")
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster):
        ddf = dd.from_pandas(frame, npartitions=partitions)
        labels = pe.dask.label(ddf, EXPRESSION, locale="en_GB").compute()
    same = labels.equals(expected)
    print(f"{len(labels)} labels from {partitions} partitions on {workers} workers:",
          "the same as in one process" if same else "DIFFERENT from one process")
    print(labels.head(3).to_string())
    return same


if __name__ == "__main__":
    sys.exit(0 if main(*map(int, sys.argv[1:])) else 1)
