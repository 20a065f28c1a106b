#!/usr/bin/env bash
# Prints the test code's share of the product code: non-blank C++ and Python
# lines that are more than a comment, in the files git tracks (and untracked
# ones it does not ignore), the .def tables included. Tests are tests/ and
# fuzz/; the product is everything else (src/, include/, tools/, python/,
# examples/, bench/). Test data files are not code.
#
#   scripts/count-test-share.sh [--max PERCENT]   exits 1 above PERCENT
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
max=
if [[ ${1:-} == --max ]]; then max=$2; fi

count() {
  local cpp python
  cpp=$(git ls-files -co --exclude-standard -- "$@" | grep -E '\.(cpp|h|def)$' | xargs -r cat |
    grep -cvE '^\s*(//.*)?$' || true)
  python=$(git ls-files -co --exclude-standard -- "$@" | grep -E '\.py$' | xargs -r cat |
    grep -cvE '^\s*(#.*)?$' || true)
  echo $((cpp + python))
}
tests=$(count tests fuzz)
all=$(count .)
code=$((all - tests))
share=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.1f", 100 * t / c }')
echo "test lines: $tests  code lines: $code  share: $share %"
if [[ -n $max ]] && awk -v s="$share" -v m="$max" 'BEGIN { exit !(s > m) }'; then
  echo "the tests are more than $max % of the code" >&2
  exit 1
fi
