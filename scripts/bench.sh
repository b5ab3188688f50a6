#!/usr/bin/env bash
# Runs every benchmark (called by ./run bench with the build directory).
# Each prints its cases beside the line's floor; the goal is a ratio of at
# most 1.05 (1.2 for kv275's fast scan, whose read limit leaves room for late
# sensors). bench_startup starts each desktop tool under an Xvfb of its own
# and times it to its window (goal: a median under 100 ms). Exit status:
# non-zero when a case is over the goal.
set -uo pipefail
BUILD=$1
# Qt wants a private runtime directory; give it one of the benchmark's own.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
status=0
for b in bench_query bench_scan bench_times bench_setup bench_cli bench_poll bench_startup bench_monitor; do
  "$BUILD/bench/$b" || status=1
done
exit $status
