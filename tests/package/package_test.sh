#!/usr/bin/env bash
# Installs the build tree into a fresh prefix, then configures, builds and
# runs the consumer project against it alone: what a user gets from
# cmake --install must be enough.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR LIBDIR [SANITIZERS]
set -euo pipefail
build=$1
source_dir=$2
libdir=$3
sanitize=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for installed in bin/pelt-label bin/pelt-regsvr share/man/man1/pelt-label.1 \
                 share/man/man7/pelt-expressions.7 \
                 "$libdir/pkgconfig/peltexpressions.pc" \
                 "$libdir/cmake/PeltExpressions/PeltExpressionsConfig.cmake" \
                 include/pelt/evaluator/pelt_expression_evaluator.h; do
  if [[ ! -e "$work/prefix/$installed" ]]; then
    echo "not installed: $installed" >&2
    exit 1
  fi
done

# The project's warning policy and sanitizers are its own: nothing installed
# may pass -Werror or -fsanitize on to the projects that use it.
if grep -rlE -- '-Werror|-fsanitize' "$work/prefix/$libdir/cmake" "$work/prefix/$libdir/pkgconfig"; then
  echo "the installed package passes on -Werror or sanitizer flags" >&2
  exit 1
fi

bash "$source_dir/tests/package/build_consumer.sh" "$work/prefix" "$libdir" "$source_dir" "$work" \
  "$sanitize"

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
