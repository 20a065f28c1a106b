#!/usr/bin/env bash
# Installs what is missing, builds pelt-label and runs it on the bundled
# sample layer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -G Ninja -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release \
  -DPELT_BUILD_TESTS=OFF -DPELT_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-release" --target pelt-label
"$root/build-release/tools/pelt-label/pelt-label" label "$root/data/sample.gpkg" \
  '[NAME] ([COUNTRY]): [POPULATION].FormatNumber(0) inhabitants, surveyed [SURVEYED].Format(d mmmm yyyy)'
