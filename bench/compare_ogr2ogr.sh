#!/usr/bin/env bash
# Labels a 1M-feature GeoPackage with pelt-label and makes the same text with
# ogr2ogr's SQLite dialect, side by side in one run, and prints both times
# and their ratio.
#
# Usage: bench/compare_ogr2ogr.sh [PELT_LABEL] [FEATURES]
#   PELT_LABEL defaults to build-release/tools/pelt-label/pelt-label,
#   FEATURES to 1000000. The GeoPackage is made once and kept under
#   ${PELT_BENCH_DIR:-/tmp/pelt-bench}.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pelt_label=${1:-"$root/build-release/tools/pelt-label/pelt-label"}
features=${2:-1000000}
work=${PELT_BENCH_DIR:-/tmp/pelt-bench}
big="$work/big_$features.gpkg"
mkdir -p "$work"

if [[ ! -f "$big" ]]; then
  echo "Making $big ..." >&2
  csv="$work/big_$features.csv"
  awk -v n="$features" 'BEGIN {
    print "NAME,POP,WKT";
    srand(20261206);
    for (i = 1; i <= n; i++) {
      printf "place %d,%d,POINT (%.5f %.5f)\n", i, int(rand() * 20000000), rand() * 360 - 180, rand() * 180 - 90;
    }
  }' > "$csv"
  printf '"String","Integer","WKT"\n' > "${csv%.csv}.csvt"
  ogr2ogr -f GPKG "$big" "$csv" -nln big -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO \
    -a_srs EPSG:4326 -gt 65536
  rm -f "$csv" "${csv%.csv}.csvt"
fi

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

expression='[NAME].UCase - [POP].FormatNumber(0)'
sql="SELECT upper(NAME) || ' - ' || printf('%,d', POP) AS label FROM big"

# Warm the file cache, then alternate the two so that neither gets a quieter
# moment of the machine.
"$pelt_label" label --locale en_US "$big" "$expression" > /dev/null
best_pelt=""
best_ogr=""
for round in 1 2 3; do
  t=$(seconds "$pelt_label" label --locale en_US "$big" "$expression")
  if [[ -z $best_pelt ]] || (($(echo "$t < $best_pelt" | bc -l))); then best_pelt=$t; fi
  t=$(seconds ogr2ogr -f CSV /vsistdout/ "$big" -dialect SQLite -sql "$sql")
  if [[ -z $best_ogr ]] || (($(echo "$t < $best_ogr" | bc -l))); then best_ogr=$t; fi
done

# Both must make the same labels; the CSV output quotes and has a header.
diff <("$pelt_label" label --locale en_US "$big" "$expression" | head -1000) \
     <(ogr2ogr -f CSV /vsistdout/ "$big" -dialect SQLite -sql "$sql" | sed 1d | tr -d '"' | head -1000) \
  > /dev/null || { echo "the two programs made different labels" >&2; exit 1; }

printf 'features            %d\n' "$features"
printf 'pelt-label label    %.2f s\n' "$best_pelt"
printf 'ogr2ogr SQLite      %.2f s\n' "$best_ogr"
printf 'ratio (pelt/ogr)    %.2f\n' "$(echo "$best_pelt / $best_ogr" | bc -l)"
