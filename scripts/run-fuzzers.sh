#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS (default 60) from its checked-in
# seed corpus. The targets come from build-fuzz, which the script configures
# and builds with clang, or from --build DIR, a build already configured with
# clang, PELT_BUILD_FUZZERS and the sanitizers (scripts/check.sh passes its
# sanitizer build). New inputs go to a scratch directory, so the checked-in
# corpus stays as it is; a crash leaves its reproducer in
# <build>/artifacts/<target>/ and fails the script.
#
#   scripts/run-fuzzers.sh [--build DIR] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=
if [[ ${1:-} == --build ]]; then
  build=$2
  shift 2
fi
seconds=${1:-60}
jobs=${PELT_FUZZ_JOBS:-$(nproc)}

if [[ -z $build ]]; then
  build="$root/build-fuzz"
  CC=clang CXX=clang++ cmake -G Ninja -S "$root" -B "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELT_BUILD_FUZZERS=ON -DPELT_SANITIZE=address,undefined -DPELT_WARNINGS_AS_ERRORS=ON \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
    -DPELT_BUILD_TESTS=OFF -DPELT_BUILD_BENCHMARKS=OFF -DPELT_BUILD_BUILDER=OFF \
    -DPELT_BUILD_GDAL=OFF -DPELT_INSTALL=OFF >/dev/null
fi
cmake --build "$build" --target pelt_fuzzers -j "$jobs"

shopt -s nullglob
targets=("$build"/fuzz/*_fuzzer)
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "run-fuzzers: no fuzz targets were built" >&2
  exit 1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The targets run side by side, one per core, each with its own log; the
# script fails when any of them finds something.
pids=()
for target in "${targets[@]}"; do
  name=$(basename "$target")
  stem=${name%_fuzzer}
  seeds="$root/fuzz/corpus/$stem"
  scratch="$build/corpus/$stem"
  artifacts="$build/artifacts/$name"
  mkdir -p "$scratch" "$artifacts"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/")
  [[ -f "$root/fuzz/$stem.dict" ]] && args+=(-dict="$root/fuzz/$stem.dict")
  corpora=("$scratch")
  [[ -d "$seeds" ]] && corpora+=("$seeds")
  echo "== $name for ${seconds}s ==" >&2
  "$target" "${args[@]}" "${corpora[@]}" >"$build/$name.log" 2>&1 &
  pids+=("$!:$name")
done
failed=0
for entry in "${pids[@]}"; do
  if ! wait "${entry%%:*}"; then
    name=${entry#*:}
    echo "run-fuzzers: $name found a fault; its log:" >&2
    tail -n 60 "$build/$name.log" >&2
    failed=1
  fi
done
((failed == 0)) || exit 1
echo "run-fuzzers: every target ran ${seconds}s without a finding" >&2
