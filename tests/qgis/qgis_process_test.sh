#!/usr/bin/env bash
# The plugin zip installed by its script into a fresh profile, then "Label
# features" run by qgis_process as a batch job runs it: its label field is
# pelt-label label --to's. Usage: qgis_process_test.sh ROOT BUILD_DIR
set -euo pipefail
root=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work
PELT_PYTHON_BUILD_DIR=$build "$root/scripts/install-qgis-plugin.sh" \
  "$("$root/scripts/make-qgis-plugin.sh" --build "$build" "$work/peltlabels.zip")" >/dev/null 2>&1
# qgis_process.bin: Debian's wrapper adds an option 3.22's qgis_process refuses.
qgis_process.bin plugins enable peltlabels >/dev/null 2>&1
expression='[NAME].UCase - [POPULATION].FormatNumber(0) $$ROW $$LAYER'
qgis_process.bin run peltlabels:label -- INPUT="$root/data/sample.gpkg" \
  EXPRESSION="$expression" FIELD_NAME=L OUTPUT="$work/qgis.gpkg" >/dev/null 2>&1
"$build/tools/pelt-label/pelt-label" label --to "$work/pelt.gpkg" --field L \
  "$root/data/sample.gpkg" "$expression"
labels() { ogrinfo -q "$1" -sql "SELECT L FROM $2" | grep ' L (String) = '; }
diff <(labels "$work/qgis.gpkg" qgis) <(labels "$work/pelt.gpkg" places)
[[ $(labels "$work/qgis.gpkg" qgis | wc -l) -eq 10 ]]
echo "qgis_process: peltlabels:label gives pelt-label's labels" >&2
