#!/usr/bin/env bash
# Writes the playground's static files into OUTDIR, beside the module that
# scripts/build-web.sh puts there: the page (web/site), the libraries it
# imports (copied from web/node_modules, so the page needs no network once
# loaded), the language reference and the bundled sample as a JSON table.
#
# Usage: scripts/web/build-site.sh OUTDIR
set -euo pipefail

if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
mkdir -p "$out/lib"

# npm ci only when the lock file changed since the last install.
web="$root/web"
if ! cmp -s "$web/package-lock.json" "$web/node_modules/.pelt-installed-lock" 2>/dev/null; then
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$web/package-lock.json" "$web/node_modules/.pelt-installed-lock"
fi

cp "$web"/site/*.html "$web"/site/*.mjs "$web"/site/*.css "$out/"
modules="$web/node_modules"
cp "$modules/papaparse/papaparse.min.js" "$out/lib/"
cp "$modules/papaparse/LICENSE" "$out/lib/papaparse.LICENSE"
cp "$modules/marked/lib/marked.esm.js" "$out/lib/"
cp "$modules/marked/LICENSE.md" "$out/lib/marked.LICENSE.md"
cp "$root/docs/expressions.md" "$out/"
python3 "$root/scripts/web/sample-json.py" "$root/data/sample.gpkg" "$out/sample.json"
