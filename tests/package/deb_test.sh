#!/usr/bin/env bash
# Makes the Debian packages of a release build with cpack and checks them
# without installing them: lintian finds no error, the runtime's Depends
# name the libraries its binaries link, and the unpacked tree labels the
# sample, registers its server and builds the consumer project.
# Usage: deb_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source_dir=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# cpack warns, rightly, that the builder module has no soname; its output
# is shown only when it fails.
if ! (cd "$build" && cpack -G DEB -B "$work/debs" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  exit 1
fi
runtime=$(echo "$work"/debs/peltexpressions_*.deb)
dev=$(echo "$work"/debs/peltexpressions-dev_*.deb)

lintian --fail-on error "$runtime" "$dev"

depends=$(dpkg-deb -f "$runtime" Depends)
for library in libgdal libicu libqt6widgets6; do
  if ! grep -q "\b$library" <<<"$depends"; then
    echo "the runtime package does not depend on $library: $depends" >&2
    exit 1
  fi
done
version=$(dpkg-deb -f "$runtime" Version)
if ! grep -qF "peltexpressions (= $version)" <<<"$(dpkg-deb -f "$dev" Depends)"; then
  echo "peltexpressions-dev does not depend on peltexpressions $version" >&2
  exit 1
fi

root="$work/root"
dpkg-deb -x "$runtime" "$root"
dpkg-deb -x "$dev" "$root"
libdir=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
binaries=(bin/pelt-label bin/pelt-regsvr "$libdir/libPeltExpressions.so.0"
          "$libdir/peltexpressions/pelt-label-builder.so")
for installed in "${binaries[@]}" share/man/man1/pelt-label.1.gz share/man/man1/pelt-regsvr.1.gz \
                 share/doc/peltexpressions/copyright share/doc/peltexpressions-dev/copyright; do
  if [[ ! -e "$root/usr/$installed" ]]; then
    echo "not packaged: /usr/$installed" >&2
    exit 1
  fi
done
for binary in "${binaries[@]}"; do
  if ! file -L "$root/usr/$binary" | grep -q ', stripped'; then
    echo "not stripped: /usr/$binary" >&2
    exit 1
  fi
done

# The unpacked program labels the sample packaged with it and finds its
# builder module beside it (without a display, edit's refusal says so).
labels=$("$root/usr/bin/pelt-label" label '[NAME].UCase' </dev/null 2>"$work/label.err")
grep -qx "ZÜRICH" <<<"$labels"
grep -qF "'$root/usr/share/peltexpressions/sample.gpkg'" "$work/label.err"
refusal=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/pelt-label" edit 2>&1) || true
grep -q "no display is available" <<<"$refusal"
# The server loads with the libraries the package depends on.
PELT_COMPONENT_REGISTRY="$work/registry" PELT_SYSTEM_COMPONENT_REGISTRY="$work/system.registry" \
  "$root/usr/bin/pelt-regsvr" -s "$root/usr/$libdir/libPeltExpressions.so.0"

bash "$source_dir/tests/package/build_consumer.sh" "$root/usr" "$libdir" "$source_dir" "$work"
echo "Debian packages ok"
