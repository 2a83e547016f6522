#!/usr/bin/env bash
# End-to-end benchmark: Zira (`zira run`: LOAD + RULES COMPUTE + VALIDATEDATA + JSON report)
# against the pandas peer (bench/peers/validate_pandas.py) and against the floor
# (bench/floor/floor.cpp) on generated datasets. See bench/README.md.
#
#   bench/run.sh [BUILD_DIR]                 (default build-h, then build)
#
# Environment:
#   RUNS=3                       runs of each program per dataset (the median is shown)
#   SETS="standard:1000000 standard:10000000 wide:100000:2000 highcard:1000000 highcard3:1000000"
#   DATA_DIR=<build>/bench-data  where datasets, reports and logs go (datasets are kept)
#   PEER=1                       0 skips the pandas peer (Zira and floor only)
#   PYTHON=/usr/bin/python3
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-}
if [[ -z $build ]]; then
  for b in build-h build; do [[ -x $root/$b/apps/zira/zira ]] && { build=$root/$b; break; }; done
fi
build=$(cd "${build:?no build folder with apps/zira/zira found; pass one}" && pwd)
zira=$build/apps/zira/zira
gen=$build/bench/gen/zira_gen
floor=$build/bench/floor/zira_floor
for exe in "$zira" "$gen" "$floor"; do
  [[ -x $exe ]] || { echo "run.sh: $exe is missing: build with -DZIRA_BENCH=ON" >&2; exit 2; }
done
RUNS=${RUNS:-3}
SETS=${SETS:-"standard:1000000 standard:10000000 wide:100000:2000 highcard:1000000 highcard3:1000000"}
DATA_DIR=${DATA_DIR:-$build/bench-data}
PEER=${PEER:-1}
PYTHON=${PYTHON:-/usr/bin/python3}
mkdir -p "$DATA_DIR"
results=$DATA_DIR/results.tsv
: > "$results"

# Runs "$@" under /usr/bin/time -v; prints "SECONDS KIB" (wall time, peak resident memory).
measure() {
  local log=$DATA_DIR/time.log
  /usr/bin/time -v "$@" > "$DATA_DIR/stdout.log" 2> "$log" || {
    echo "run.sh: failed: $*" >&2
    tail -20 "$log" >&2
    return 1
  }
  awk -F': ' '/Elapsed \(wall clock\)/ {
                n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
              /Maximum resident set size/ { kib = $2 }
              END { printf "%.2f %d\n", s, kib }' "$log"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-26s %10s %9s %10s %9s %8s %8s %10s %11s %s\n' dataset zira_s zira_MiB peer_s \
  peer_MiB peer/zira floor_s zira/floor ns/cell counts
for set in $SETS; do
  IFS=: read -r kind n v <<< "$set"
  name=$kind-$n${v:+x$v}
  csv=$DATA_DIR/$name.csv
  if [[ ! -s $csv ]]; then
    if [[ $kind == wide ]]; then "$gen" wide "$n" "$v" "$csv"; else "$gen" "$kind" "$n" "$csv"; fi
  fi
  job=$DATA_DIR/$name.zsx
  sed "s|@DATA@|$csv|" "$here/jobs/$kind.zsx" > "$job"
  # The peer gets the settings written on the job's "* peer:" line.
  peer_args=$(sed -n 's/^\* peer: //p' "$here/jobs/$kind.zsx")
  cases=$(($(wc -l < "$csv") - 1))
  columns=$(head -1 "$csv" | tr ',' '\n' | wc -l)
  zt=() zm=() pt=() pm=() ft=() fr=()
  s='' k=''
  for ((r = 1; r <= RUNS; r++)); do
    # The floor right before Zira, so that each round's ratio compares two runs made at the
    # same speed of the machine (on a shared virtual machine it can change within minutes).
    "$floor" "$csv" > "$DATA_DIR/$name.floor.json"
    ft+=("$(sed 's/.*"floor": \([0-9.]*\).*/\1/' "$DATA_DIR/$name.floor.json")")
    read -r s k < <(measure "$zira" run "$job" --format json -o "$DATA_DIR/$name.report.json")
    [[ -n ${s:-} ]] || exit 1
    zt+=("$s") zm+=("$k")
    fr+=("$(awk -v z="$s" -v f="${ft[-1]}" 'BEGIN { printf "%.2f", z / f }')")
    if [[ $PEER == 1 ]]; then
      read -r s k < <(eval measure "$PYTHON" "$here/peers/validate_pandas.py" "$csv" \
        "$peer_args" -o "$DATA_DIR/$name.peer.json")
      [[ -n ${s:-} ]] || exit 1
      pt+=("$s") pm+=("$k")
    fi
  done
  "$PYTHON" "$here/peers/zira_counts.py" "$DATA_DIR/$name.report.json" -o "$DATA_DIR/$name.zira.json"
  zs=$(printf '%s\n' "${zt[@]}" | median)
  zk=$(printf '%s\n' "${zm[@]}" | median)
  fs=$(printf '%s\n' "${ft[@]}" | median)
  zf=$(printf '%s\n' "${fr[@]}" | median)
  if [[ $PEER == 1 ]]; then
    ps=$(printf '%s\n' "${pt[@]}" | median)
    pk=$(printf '%s\n' "${pm[@]}" | median)
    if cmp -s "$DATA_DIR/$name.zira.json" "$DATA_DIR/$name.peer.json"; then counts=equal; else
      counts="DIFFER (diff $DATA_DIR/$name.zira.json $DATA_DIR/$name.peer.json)"; fi
  else
    ps=nan pk=0 counts=-
  fi
  awk -v name="$name" -v zs="$zs" -v zk="$zk" -v ps="$ps" -v pk="$pk" -v fs="$fs" -v zf="$zf" \
      -v cells=$((cases * columns)) -v counts="$counts" 'BEGIN {
    ratio = (ps == "nan") ? "-" : sprintf("%.2f", ps / zs)
    pmib = (ps == "nan") ? "-" : sprintf("%.0f", pk / 1024)
    printf "%-26s %10.2f %9.0f %10s %9s %8s %8.2f %10.2f %11.1f %s\n", name, zs, zk / 1024,
           ps, pmib, ratio, fs, zf, zs * 1e9 / cells, counts
  }' | tee -a "$results"
  echo "  runs: zira ${zt[*]} s; peer ${pt[*]:-} s; floor ${ft[*]} s; zira/floor ${fr[*]}" \
    >> "$results"
done
echo "(runs: $RUNS; details in $results)"
