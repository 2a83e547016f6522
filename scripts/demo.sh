#!/usr/bin/env bash
# Runs the first example: until the procedure is wired in, prints the example's dictionary.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
if [ -x "$build/apps/zira/zira" ] && [ -f examples/first/survey.csv ]; then
  exec "$build/apps/zira/zira" dictionary examples/first/survey.csv
fi
echo "zira is not built yet" >&2
exit 1
