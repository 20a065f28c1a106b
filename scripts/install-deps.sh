#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the fuzzers, the
# benchmarks, the making of Debian packages and the QGIS plugin need. Only
# missing packages are installed; apt-get runs as root (through sudo when
# the caller is not root).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config man-db
  dpkg-dev file lintian
  clang libclang-rt-14-dev
  libicu-dev libfast-float-dev libfmt-dev
  libgdal-dev gdal-bin sqlite3 bc time libjemalloc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev xvfb xdotool fonts-dejavu-core
  python3-dev python3-venv pybind11-dev python3-pybind11 python3-numpy python3-pandas
  python3-geopandas python3-dask python3-distributed python3-pytest python3-build
  qgis python3-qgis qgis-providers libqgis-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}" >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
