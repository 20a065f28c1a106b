#!/usr/bin/env bash
# Installs the build tree into a fresh prefix, then configures, builds and
# runs the consumer project against it alone: what a user gets from
# cmake --install must be enough.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR [SANITIZERS]
set -euo pipefail
build=$1
source_dir=$2
sanitize=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for installed in bin/pelt-label bin/pelt-regsvr share/man/man1/pelt-label.1 \
                 lib/pkgconfig/peltexpressions.pc lib/cmake/PeltExpressions/PeltExpressionsConfig.cmake \
                 include/pelt/evaluator/pelt_expression_evaluator.h; do
  if [[ ! -e "$work/prefix/$installed" ]]; then
    echo "not installed: $installed" >&2
    exit 1
  fi
done

cmake -G Ninja -S "$source_dir/tests/package" -B "$work/consumer" \
  -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/consumer" >/dev/null
label=$("$work/consumer/consumer")
expected="ZÜRICH - 421,878 (p. 7)"
if [[ "$label" != "$expected" ]]; then
  echo "the consumer labelled '$label', expected '$expected'" >&2
  exit 1
fi

# The same program built from the pkg-config file alone.
PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --exists peltexpressions
# A sanitized build's libraries need the sanitizers' run-time libraries too,
# which the CMake package passes on by itself.
extra=()
if [[ -n $sanitize ]]; then extra=(-fsanitize="$sanitize"); fi
# shellcheck disable=SC2046
c++ -std=c++20 "${extra[@]}" "$source_dir/tests/package/consumer.cpp" -o "$work/consumer-pc" \
  $(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs peltexpressions)
label=$("$work/consumer-pc")
if [[ "$label" != "$expected" ]]; then
  echo "the pkg-config consumer labelled '$label', expected '$expected'" >&2
  exit 1
fi

# The installed program reads the installed sample and has its manual page.
"$work/prefix/bin/pelt-label" layers | grep -q "places"
MANWIDTH=80 man -l "$work/prefix/share/man/man1/pelt-label.1" 2>/dev/null | grep -q "EXIT STATUS" \
  || ! command -v man >/dev/null
echo "package ok"
