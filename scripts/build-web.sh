#!/usr/bin/env bash
# Builds the browser playground into OUTDIR: the WebAssembly module of the
# core (pelt-core.mjs and pelt-core.wasm) with its JavaScript API
# (pelt.mjs), then the page. Installs what is missing; ICU for WebAssembly
# is built once into a cache outside the clone (scripts/web/build-icu-wasm.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
out=$1
jobs=$(nproc)

echo "== web: packages ==" >&2
packages=(emscripten libfast-float-dev libfmt-dev icu-devtools libicu-dev dpkg-dev chromium)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  as_root=()
  [[ $(id -u) -eq 0 ]] || as_root=(sudo)
  echo "Installing: ${missing[*]}" >&2
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
# emcc's optimiser needs Debian's node modules when node is not Debian's.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

echo "== web: ICU for WebAssembly ==" >&2
icu=$("$root/scripts/web/build-icu-wasm.sh")

echo "== web: the module ==" >&2
build="$root/build-web"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# ICU_ROOT is ignored under the emscripten toolchain; its find root path is
# not. Another ICU build (new key) means the found paths are stale.
if [[ "$(cat "$build/icu-root.txt" 2>/dev/null)" != "$icu" ]]; then
  rm -f "$build/CMakeCache.txt"
  mkdir -p "$build"
  echo "$icu" > "$build/icu-root.txt"
fi
emcmake cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELT_BUILD_WEB=ON \
  -DPELT_BUILD_TESTS=OFF -DPELT_BUILD_BENCHMARKS=OFF -DPELT_INSTALL=OFF \
  "-DCMAKE_FIND_ROOT_PATH=$icu" "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs" --target pelt_web
mkdir -p "$out"
cp "$build/web/pelt-core.mjs" "$build/web/pelt-core.wasm" "$root/web/pelt.mjs" "$out/"

echo "== web: the page ==" >&2
"$root/scripts/web/build-site.sh" "$out"
echo "The playground is in $out (serve it with: python3 -m http.server -d $out)" >&2
