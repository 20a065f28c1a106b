#!/usr/bin/env bash
# Builds the consumer project against an installed tree, through its CMake
# package and from its pkg-config file alone, and runs it: what the tree
# holds must be enough.
# Usage: build_consumer.sh PREFIX LIBDIR SOURCE_DIR WORK_DIR [SANITIZERS]
set -euo pipefail
prefix=$1
libdir=$2
source_dir=$3
work=$4
sanitize=${5:-}
expected="ZÜRICH - 421,878 (p. 7)"

# A sanitized build's static libraries need the sanitizers' run-time
# libraries: the consumer asks for them itself, as such a user would.
extra=()
if [[ -n $sanitize ]]; then extra=(-fsanitize="$sanitize"); fi
cmake -G Ninja -S "$source_dir/tests/package" -B "$work/consumer" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="${extra[*]}" >/dev/null
cmake --build "$work/consumer" >/dev/null
label=$("$work/consumer/consumer")
if [[ "$label" != "$expected" ]]; then
  echo "the consumer labelled '$label', expected '$expected'" >&2
  exit 1
fi

export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
pkg-config --exists peltexpressions
# shellcheck disable=SC2046
c++ -std=c++20 "${extra[@]}" "$source_dir/tests/package/consumer.cpp" -o "$work/consumer-pc" \
  $(pkg-config --cflags --libs peltexpressions)
label=$("$work/consumer-pc")
if [[ "$label" != "$expected" ]]; then
  echo "the pkg-config consumer labelled '$label', expected '$expected'" >&2
  exit 1
fi

# A consumer with a stricter warning set of its own (clang, -Weverything)
# builds: it sees our headers' warnings, but no -Werror of ours turns them
# into errors.
if [[ -z $sanitize ]] && command -v clang++ >/dev/null; then
  CXX=clang++ cmake -G Ninja -S "$source_dir/tests/package" -B "$work/consumer-clang" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="-Weverything -Wno-c++98-compat -Wno-padded" >/dev/null
  commands=$(cmake --build "$work/consumer-clang" -v 2>&1)
  if grep -qE -- '-Werror|-fsanitize' <<<"$commands"; then
    echo "the clang consumer inherited -Werror or sanitizer flags" >&2
    exit 1
  fi
  [[ $("$work/consumer-clang/consumer") == "$expected" ]]
fi
