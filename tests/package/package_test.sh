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
                 share/man/man7/pelt-expressions.7 \
                 lib/pkgconfig/peltexpressions.pc lib/cmake/PeltExpressions/PeltExpressionsConfig.cmake \
                 include/pelt/evaluator/pelt_expression_evaluator.h; do
  if [[ ! -e "$work/prefix/$installed" ]]; then
    echo "not installed: $installed" >&2
    exit 1
  fi
done

# The project's warning policy and sanitizers are its own: nothing installed
# may pass -Werror or -fsanitize on to the projects that use it.
if grep -rlE -- '-Werror|-fsanitize' "$work/prefix/lib/cmake" "$work/prefix/lib/pkgconfig"; then
  echo "the installed package passes on -Werror or sanitizer flags" >&2
  exit 1
fi

# A sanitized build's static libraries need the sanitizers' run-time
# libraries: the consumer asks for them itself, as such a user would.
extra=()
if [[ -n $sanitize ]]; then extra=(-fsanitize="$sanitize"); fi
cmake -G Ninja -S "$source_dir/tests/package" -B "$work/consumer" \
  -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="${extra[*]}" >/dev/null
cmake --build "$work/consumer" >/dev/null
label=$("$work/consumer/consumer")
expected="ZÜRICH - 421,878 (p. 7)"
if [[ "$label" != "$expected" ]]; then
  echo "the consumer labelled '$label', expected '$expected'" >&2
  exit 1
fi

# The same program built from the pkg-config file alone.
PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --exists peltexpressions
# shellcheck disable=SC2046
c++ -std=c++20 "${extra[@]}" "$source_dir/tests/package/consumer.cpp" -o "$work/consumer-pc" \
  $(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs peltexpressions)
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
    -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS="-Weverything -Wno-c++98-compat -Wno-padded" >/dev/null
  commands=$(cmake --build "$work/consumer-clang" -v 2>&1)
  if grep -qE -- '-Werror|-fsanitize' <<<"$commands"; then
    echo "the clang consumer inherited -Werror or sanitizer flags" >&2
    exit 1
  fi
  [[ $("$work/consumer-clang/consumer") == "$expected" ]]
fi

# The installed program reads the installed sample and has its manual page.
# Standard input is no pipe then, or the sample would not stand in for SOURCE.
"$work/prefix/bin/pelt-label" layers </dev/null | grep -q "places"
# It finds the installed builder module: without a display, that is the refusal.
refusal=$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/prefix/bin/pelt-label" edit 2>&1) || true
grep -q "no display is available" <<<"$refusal"
MANWIDTH=80 man -l "$work/prefix/share/man/man1/pelt-label.1" 2>/dev/null | grep -q "EXIT STATUS" \
  || ! command -v man >/dev/null
# man finds the reference through the program's folder on PATH, as after an
# install to ~/.local.
env -u MANPATH PATH="$work/prefix/bin:$PATH" man -w pelt-expressions 2>/dev/null |
  grep -qx "$work/prefix/share/man/man7/pelt-expressions.7" || ! command -v man >/dev/null
echo "package ok"
