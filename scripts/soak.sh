#!/usr/bin/env bash
# Runs each tool's main loop against a simulated bus with faults injected, all
# at once, for MINUTES (called by ./run soak with the build directory).
# Each prints what it did, its memory and processor time and its verdict.
# The faults follow one seed, drawn afresh unless SEED is given: the seed a
# run printed replays its faults in the same order.
# Exit status: non-zero when any run is not clean.
set -uo pipefail
BUILD=$1
MINUTES=${2:-10}
SEED=${3:-}
SECONDS_EACH=$(awk -v m="$MINUTES" 'BEGIN { printf "%d", m * 60 }')
[ "$SECONDS_EACH" -gt 0 ] || { echo "usage: ./run soak [MINUTES [SEED]]" >&2; exit 2; }
if [ -z "$SEED" ]; then
  SEED=$(( $(od -An -N4 -tu4 /dev/urandom) % 4294967295 + 1 ))
elif ! [[ "$SEED" =~ ^[1-9][0-9]*$ ]] || [ "$SEED" -gt 4294967295 ]; then
  echo "usage: ./run soak [MINUTES [SEED]]   (SEED from 1 to 4294967295)" >&2
  exit 2
fi
# Qt wants a private runtime directory; give it one of the run's own.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
export QT_QPA_PLATFORM=offscreen
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
TOOLS=(scan times setup tilt)
[ -x "$BUILD/soak/kv275soak" ] || { echo "no $BUILD/soak/kv275soak" >&2; exit 2; }
echo "soaking ${TOOLS[*]} for $MINUTES minute(s) each, side by side, seed $SEED (replay: ./run soak $MINUTES $SEED) ..."
pids=()
for t in "${TOOLS[@]}"; do
  "$BUILD/soak/kv275soak" --seed "$SEED" "$t" "$SECONDS_EACH" > "$OUT/$t.txt" 2> "$OUT/$t.err" &
  pids+=($!)
done
status=0
for i in "${!TOOLS[@]}"; do
  wait "${pids[$i]}" || status=1
  cat "$OUT/${TOOLS[$i]}.txt"
  grep -v "propagateSizeHints" "$OUT/${TOOLS[$i]}.err" || true
done
[ $status -eq 0 ] && echo "soak: all clean (seed $SEED)" || echo "soak: NOT CLEAN (replay: ./run soak $MINUTES $SEED)"
exit $status
