#!/usr/bin/env bash
# Labels a 1M-feature GeoPackage with pelt-label (--jobs 1 and --jobs 2) and
# makes the same text with ogr2ogr's SQLite dialect, and reads the two
# fields with ogr2ogr alone (the read floor: no label is made), side by side
# in one run; prints the times and the ratios. Then measures pelt-label's
# peak resident memory at 100k and at the full count, which must stay flat.
#
# Usage: bench/compare_ogr2ogr.sh [PELT_LABEL] [FEATURES]
#   PELT_LABEL defaults to build-release/tools/pelt-label/pelt-label,
#   FEATURES to 1000000. The GeoPackages are made once and kept under
#   ${PELT_BENCH_DIR:-/tmp/pelt-bench}.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pelt_label=${1:-"$root/build-release/tools/pelt-label/pelt-label"}
features=${2:-1000000}
work=${PELT_BENCH_DIR:-/tmp/pelt-bench}
big="$work/big_$features.gpkg"
mkdir -p "$work"

make_gpkg() {
  local n=$1 out=$2
  [[ -f "$out" ]] && return
  echo "Making $out ..." >&2
  local csv="$work/big_$n.csv"
  awk -v n="$n" 'BEGIN {
    print "NAME,POP,WKT";
    srand(20261206);
    for (i = 1; i <= n; i++) {
      printf "place %d,%d,POINT (%.5f %.5f)\n", i, int(rand() * 20000000), rand() * 360 - 180, rand() * 180 - 90;
    }
  }' > "$csv"
  printf '"String","Integer","WKT"\n' > "${csv%.csv}.csvt"
  ogr2ogr -f GPKG "$out" "$csv" -nln big -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO \
    -a_srs EPSG:4326 -gt 65536
  rm -f "$csv" "${csv%.csv}.csvt"
}
make_gpkg "$features" "$big"
small_features=$((features / 10))
small="$work/big_$small_features.gpkg"
make_gpkg "$small_features" "$small"

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

expression='[NAME].UCase - [POP].FormatNumber(0)'
sql="SELECT upper(NAME) || ' - ' || printf('%,d', POP) AS label FROM big"

# The best of three, each command run in turn so that none gets a quieter
# moment of the machine.
pelt1=("$pelt_label" label --quiet --jobs 1 --locale en_US "$big" "$expression")
pelt2=("$pelt_label" label --quiet --jobs 2 --locale en_US "$big" "$expression")
sqlite=(ogr2ogr -f CSV /vsistdout/ "$big" -dialect SQLite -sql "$sql")
floor=(ogr2ogr -f CSV /vsistdout/ "$big" -select NAME,POP)
"${pelt1[@]}" > /dev/null  # warms the file cache
declare -A best
for round in 1 2 3; do
  for name in pelt1 pelt2 sqlite floor; do
    declare -n command=$name
    t=$(seconds "${command[@]}")
    if [[ -z ${best[$name]:-} ]] || (($(echo "$t < ${best[$name]}" | bc -l))); then best[$name]=$t; fi
    unset -n command
  done
done

# Both must make the same labels; the CSV output quotes and has a header.
diff <("${pelt1[@]}" | head -1000) \
     <("${sqlite[@]}" | sed 1d | tr -d '"' | head -1000) \
  > /dev/null || { echo "the two programs made different labels" >&2; exit 1; }
cmp -s <("${pelt1[@]}") <("${pelt2[@]}") || { echo "--jobs 2 made other labels" >&2; exit 1; }

ratio() { echo "${best[$1]} / ${best[$2]}" | bc -l; }
printf 'features                     %d\n' "$features"
printf 'pelt-label --jobs 1          %.2f s\n' "${best[pelt1]}"
printf 'pelt-label --jobs 2          %.2f s\n' "${best[pelt2]}"
printf 'ogr2ogr SQLite dialect       %.2f s\n' "${best[sqlite]}"
printf 'ogr2ogr read floor           %.2f s\n' "${best[floor]}"
printf 'jobs 1 / SQLite              %.2f   (goal <= 1)\n' "$(ratio pelt1 sqlite)"
printf 'jobs 2 / SQLite              %.2f\n' "$(ratio pelt2 sqlite)"
printf 'jobs 1 / read floor          %.2f   (goal <= 1.5)\n' "$(ratio pelt1 floor)"
printf 'jobs 2 / read floor          %.2f\n' "$(ratio pelt2 floor)"

# Peak resident memory: streaming holds nothing per feature, so ten times
# the features must not take noticeably more memory.
peak_kb() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}
if [[ -x /usr/bin/time ]]; then
  for jobs in 1 2; do
    small_kb=$(peak_kb "$pelt_label" label --quiet --jobs "$jobs" --locale en_US "$small" "$expression")
    big_kb=$(peak_kb "$pelt_label" label --quiet --jobs "$jobs" --locale en_US "$big" "$expression")
    printf 'peak RSS --jobs %d            %d MiB at %d, %d MiB at %d features\n' "$jobs" \
      $((small_kb / 1024)) "$small_features" $((big_kb / 1024)) "$features"
  done
else
  echo "peak RSS: /usr/bin/time is missing (scripts/install-deps.sh installs it)" >&2
fi
