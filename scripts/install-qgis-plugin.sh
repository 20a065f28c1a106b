#!/usr/bin/env bash
# Installs the plugin zip into a QGIS profile, and the peltexpressions
# package into the profile's python folder, which QGIS puts on its Python
# path, unless QGIS's Python imports it already.
# Usage: install-qgis-plugin.sh [--profile DIR] [ZIP]
#   DIR  the profile (default ~/.local/share/QGIS/QGIS3/profiles/default)
#   ZIP  made by make-qgis-plugin.sh (default: made now)
# PELT_PYTHON_BUILD_DIR names a build whose Python module pip reuses.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
profile="$HOME/.local/share/QGIS/QGIS3/profiles/default"
if [[ ${1:-} == --profile ]]; then
  profile=$2
  shift 2
fi
zip=${1:-$("$root/scripts/make-qgis-plugin.sh")}
python=/usr/bin/python3  # the Python QGIS runs

mkdir -p "$profile/python/plugins"
rm -rf "$profile/python/plugins/peltlabels"
"$python" -m zipfile -e "$zip" "$profile/python/plugins"
if ! (cd / && "$python" -c "import peltexpressions" 2>/dev/null); then
  (cd "$root" && "$python" -m pip install --no-index --quiet --no-deps \
    --target "$profile/python" .)
fi
echo "peltlabels installed in $profile/python/plugins; enable it in Plugins > Manage and Install Plugins"
