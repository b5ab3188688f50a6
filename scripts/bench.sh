#!/usr/bin/env bash
# Runs every benchmark (called by ./run bench with the build directory).
# Each prints its cases beside the line's floor; the goal is a ratio of at
# most 1.05. Exit status: non-zero when a case is over the goal.
set -uo pipefail
BUILD=$1
status=0
for b in bench_query bench_scan; do
  "$BUILD/bench/$b" || status=1
done
exit $status
