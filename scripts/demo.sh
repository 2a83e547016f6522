#!/usr/bin/env bash
# The first example: computes the rule outcomes of the bundled survey, runs VALIDATEDATA with
# every check region by region, prints the report and writes the checked dataset (with the
# four indicator variables) and an HTML copy of the report under examples/first/checked/.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
zira="$build/apps/zira/zira"
mkdir -p examples/first/checked
"$zira" run examples/first/first.zsx
"$zira" run examples/first/first.zsx --format html -o examples/first/checked/report.html
echo
echo "Checked dataset: examples/first/checked/survey_checked.csv (+ .schema.json)"
echo "HTML report:     examples/first/checked/report.html"
