#!/usr/bin/env bash
# Runs every libFuzzer harness built in BUILD_DIR/fuzz for SECONDS each, one
# after the other (one core each, no more), on a copy of its seed corpus under
# BUILD_DIR/fuzz-work, so that what a run adds never reaches the repository.
# Prints per harness the executions, executions per second and the coverage
# reached. A finding stops the run: its reproducer is kept under
# BUILD_DIR/findings/<harness>/, the log's end is shown, the exit status is 1.
#
#   fuzz/run_fuzzers.sh BUILD_DIR SECONDS
set -uo pipefail

build=$1
seconds=$2
src=$(cd "$(dirname "$0")" && pwd)
work="$build/fuzz-work"
logs="$build/fuzz-logs"
findings="$build/findings"
mkdir -p "$work" "$logs" "$findings"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

printf '%-16s %12s %10s %8s %8s\n' harness executions exec/s cov ft
for corpus in "$src"/corpus/*/; do
  name=$(basename "$corpus")
  fuzzer="$build/fuzz/fuzz_$name"
  if [ ! -x "$fuzzer" ]; then
    echo "no fuzzer built for corpus/$name ($fuzzer)" >&2
    exit 1
  fi
  rm -rf "${work:?}/$name"
  mkdir -p "$work/$name" "$findings/$name"
  cp "$corpus"* "$work/$name/"
  log="$logs/$name.log"
  "$fuzzer" "$work/$name" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
      -artifact_prefix="$findings/$name/" >"$log" 2>&1
  status=$?

  execs=$(grep -oP 'stat::number_of_executed_units:\s*\K[0-9]+' "$log" | tail -1)
  rate=$(grep -oP 'stat::average_exec_per_sec:\s*\K[0-9]+' "$log" | tail -1)
  cov=$(grep -oP '\bcov: \K[0-9]+' "$log" | tail -1)
  ft=$(grep -oP '\bft: \K[0-9]+' "$log" | tail -1)
  printf '%-16s %12s %10s %8s %8s\n' "$name" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}"

  if [ "$status" -ne 0 ]; then
    echo
    echo "FINDING in $name (exit status $status); the end of $log:"
    tail -n 40 "$log"
    echo
    echo "reproducer(s) in $findings/$name/:"
    ls -l "$findings/$name/"
    echo "replay: $fuzzer <reproducer>"
    exit 1
  fi
done
echo "no findings: every harness ran ${seconds} s"
