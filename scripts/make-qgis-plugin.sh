#!/usr/bin/env bash
# Makes the zip QGIS's plugin manager installs ("Install from ZIP"): the
# folder peltlabels with the plugin and the language reference its help
# text is made from, and the native pelt_label when the build given holds it
# (built with -DPELT_BUILD_QGIS=ON).
# Usage: make-qgis-plugin.sh [--build DIR] [ZIP] (default build/peltlabels.zip).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=
if [[ ${1:-} == --build ]]; then
  build=$2
  shift 2
fi
zip=$(realpath -m "${1:-$root/build/peltlabels.zip}")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/peltlabels" "$(dirname "$zip")"
cp "$root"/qgis-plugin/peltlabels/*.py "$root/qgis-plugin/peltlabels/metadata.txt" \
  "$root/qgis-plugin/peltlabels/field_types.def" "$stage/peltlabels/"
native="$build/qgis-plugin/native/libpeltqgis.so"
if [[ -n $build && -f $native ]]; then
  cp "$native" "$stage/peltlabels/"
fi
cp "$root/docs/expressions.md" "$stage/peltlabels/"
rm -f "$zip"
(cd "$stage" && /usr/bin/python3 -m zipfile -c "$zip" peltlabels)
echo "$zip"
