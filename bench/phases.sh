#!/usr/bin/env bash
# Where Zira's end-to-end time goes on one dataset: runs growing prefixes of the standard job
# and prints the time of each step as the difference of the medians.
#
#   bench/phases.sh BUILD_DIR DATA.csv [RUNS]
#
#   1. LOAD                                  -> load
#   2. + SPLIT FILE + RULES COMPUTE          -> rules compute
#   3. + VALIDATEDATA, its JSON report rendered to /dev/null -> validatedata (+ rendering)
#   4. the same with the report written to a file             -> writing the report file
# (perf, see bench/RESULTS.md, splits VALIDATEDATA from rendering.)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
csv=$(cd "$(dirname "${2:?data file}")" && pwd)/$(basename "$2")
runs=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
zira=$build/apps/zira/zira
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
job=$work/full.zsx
sed "s|@DATA@|$csv|" "$here/jobs/standard.zsx" | grep -v '^\*' > "$job"
head -1 "$job" > "$work/p1.zsx"
head -3 "$job" > "$work/p2.zsx"
cp "$job" "$work/p3.zsx"

seconds() {
  /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -1
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A t
for step in p1 p2 p3 p4; do
  vals=()
  for ((r = 0; r < runs; r++)); do
    case $step in
      p4) vals+=("$(seconds "$zira" run "$work/p3.zsx" --format json -o "$work/report.json")") ;;
      *) vals+=("$(seconds "$zira" run "$work/$step.zsx" --format json -o /dev/null)") ;;
    esac
  done
  t[$step]=$(printf '%s\n' "${vals[@]}" | median)
done
awk -v a="${t[p1]}" -v b="${t[p2]}" -v c="${t[p3]}" -v d="${t[p4]}" 'BEGIN {
  printf "load %.2f s, rules compute %.2f s, validatedata %.2f s, report file %.2f s; total %.2f s\n",
         a, b - a, c - b, d - c, d }'
