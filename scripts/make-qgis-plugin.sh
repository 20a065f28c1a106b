#!/usr/bin/env bash
# Makes the zip QGIS's plugin manager installs ("Install from ZIP"): the
# folder peltlabels with the plugin and the language reference its help
# text is made from. Usage: make-qgis-plugin.sh [ZIP] (default
# build/peltlabels.zip).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
zip=$(realpath -m "${1:-$root/build/peltlabels.zip}")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/peltlabels" "$(dirname "$zip")"
cp "$root"/qgis-plugin/peltlabels/*.py "$root/qgis-plugin/peltlabels/metadata.txt" \
  "$stage/peltlabels/"
cp "$root/docs/expressions.md" "$stage/peltlabels/"
rm -f "$zip"
(cd "$stage" && /usr/bin/python3 -m zipfile -c "$zip" peltlabels)
echo "$zip"
