#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once in
# a release build (the one the demo makes, whose Debian packages are then
# made and checked) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer. The sanitizer build is made once, with clang,
# and holds the fuzz targets too, which then run for a short fixed time each.
# The tests that label on several threads run once more under
# ThreadSanitizer. The Python package is installed from the release build
# into a fresh virtual environment, where its README example and its tests
# run, and with it the QGIS plugin's tests when PyQGIS is installed (with
# its native pelt_label, which the release build alone makes, and without); its
# sdist and wheel are built, and the wheel installs into another. The
# playground is built and its page tested in headless Chromium.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)
fuzz_seconds=${PELT_FUZZ_SECONDS:-60}

"$root/scripts/install-deps.sh"

run_suite() {
  local dir=$1
  shift
  cmake -G Ninja -S "$root" -B "$dir" -DPELT_WARNINGS_AS_ERRORS=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300
}

echo "== normal build ==" >&2
# Debian's interpreter, whatever python3 comes first on PATH: the package's
# dependencies are Debian packages.
python=/usr/bin/python3
run_suite "$root/build-check" -DCMAKE_BUILD_TYPE=Release -DPELT_BUILD_BENCHMARKS=ON \
  -DPELT_BUILD_PYTHON=ON -DPython3_EXECUTABLE=$python -DCMAKE_INSTALL_PREFIX=/usr \
  -DPELT_BUILD_QGIS=ON

# The release build's Debian packages (the /usr prefix above puts the
# libraries in /usr/lib/<multiarch>), checked unpacked, never installed.
echo "== Debian packages: cpack, lintian, the unpacked tree ==" >&2
bash "$root/tests/package/deb_test.sh" "$root/build-check" "$root"

# -O1 keeps the sanitized tests and the fuzzers quick; fuzzer-no-link gives
# the fuzzers their coverage feedback from the libraries.
echo "== address and undefined-behaviour sanitizers, fuzz targets ==" >&2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
CC=clang CXX=clang++ run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DPELT_SANITIZE=address,undefined -DPELT_BUILD_FUZZERS=ON \
  "-DCMAKE_CXX_FLAGS=-O1 -fsanitize=fuzzer-no-link" -DPELT_BUILD_BENCHMARKS=OFF

# Only the tests labelled tsan, and only what they need, are built: a full
# third build would double the time of the check.
echo "== thread sanitizer: parallel labelling ==" >&2
tsan_dir="$root/build-tsan"
cmake -G Ninja -S "$root" -B "$tsan_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELT_SANITIZE=thread -DPELT_WARNINGS_AS_ERRORS=ON \
  -DPELT_BUILD_BUILDER=OFF -DPELT_BUILD_BENCHMARKS=OFF >/dev/null
# The build itself runs a sanitized program (pelt-reference renders the help
# topics pelt-label is built with), so the suppressions hold from here on.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tools/tsan.supp
cmake --build "$tsan_dir" -j "$jobs" --target pelt-label label_pipeline_test label_options_test
ctest --test-dir "$tsan_dir" -L tsan -j "$jobs" --output-on-failure --timeout 600

# pip reuses the release build's module (PELT_PYTHON_BUILD_DIR) and, with
# --no-index, never waits for an index it cannot reach.
echo "== Python package: pip install ., README example, pytest ==" >&2
venv="$root/build-check/python-venv"
rm -rf "$venv"
"$python" -m venv --system-site-packages "$venv"
(cd "$root" && PELT_PYTHON_BUILD_DIR="$root/build-check" "$venv/bin/pip" install --no-index -q .)
awk '/^```python$/ { on = 1; next } /^```$/ { on = 0 } on' "$root/README.md" |
  (cd "$root" && "$venv/bin/python" -)
PELT_LABEL="$root/build-check/tools/pelt-label/pelt-label" \
  "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/tests/python" \
  --doctest-modules --pyargs peltexpressions

# The QGIS plugin under headless QGIS, from the same venv (its
# --system-site-packages reaches Debian's PyQGIS), when PyQGIS is there:
# with the native pelt_label the release build made, then with Python's alone.
if "$venv/bin/python" -c "import qgis.core" 2>/dev/null; then
  echo "== QGIS plugin: pytest under headless QGIS ==" >&2
  for native in "$root/build-check/qgis-plugin/native/libpeltqgis.so" off; do
    QT_QPA_PLATFORM=offscreen PELT_LABEL="$root/build-check/tools/pelt-label/pelt-label" \
      PELT_QGIS_NATIVE="$native" \
      "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/tests/qgis"
  done
  bash "$root/tests/qgis/qgis_process_test.sh" "$root" "$root/build-check"
fi

# The wheel is built from the sdist (so the sdist must hold all the build
# reads), with the release build's module for speed.
echo "== Python package: sdist and wheel, the wheel in a fresh venv ==" >&2
dist=$(mktemp -d)
trap 'rm -rf "$dist"' EXIT
(cd "$root" && PELT_PYTHON_BUILD_DIR="$root/build-check" "$python" -m build --no-isolation \
  --outdir "$dist/out" >/dev/null)
ls "$dist"/out/peltexpressions-*.tar.gz >/dev/null
"$python" -m venv --system-site-packages "$dist/venv"
"$dist/venv/bin/pip" install --no-index -q "$dist"/out/peltexpressions-*.whl
(cd "$dist" && "$dist/venv/bin/python" -c \
  "import peltexpressions; print('peltexpressions', peltexpressions.__version__)")

# The playground: the core as WebAssembly, its JavaScript API against the
# release build's pelt-label, then the page as a user sees it, in headless
# Chromium.
echo "== web playground: WebAssembly build, node test, browser test ==" >&2
web_site="$root/build-web-site"
rm -rf "$web_site"
"$root/scripts/build-web.sh" "$web_site"
PELT_LABEL="$root/build-check/tools/pelt-label/pelt-label" PELT_WEB_DIR="$web_site" \
  node --test "$root/web/tests/labels.test.mjs"
node "$root/web/tests/page.browser.mjs" "$web_site"

echo "== fuzzers, ${fuzz_seconds}s each ==" >&2
"$root/scripts/run-fuzzers.sh" --build "$root/build-asan" "$fuzz_seconds"
echo "All checks passed." >&2
