#!/usr/bin/env bash
# Starts kv275sim with a few sensors and drives the tools on it. Called by
# ./run demo with the build directory. Offscreen (no DISPLAY) each tool is
# driven through its main job, prints what it read and leaves a screenshot in
# demo-out/; with a display the tools then stay open for you to use. kv275
# also publishes a few seconds of readings to a mosquitto of the demo's own
# on a free port, and a subscriber shows what it got.
set -euo pipefail
BUILD=$1
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT="$ROOT/demo-out"
WORK="$OUT/work"
rm -rf "$WORK"
mkdir -p "$WORK"

SIM_PID=""
BROKER_PID=""
SUB_PID=""
stop_process() {
  if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
    kill -TERM "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop_process "$SUB_PID"
  stop_process "$BROKER_PID"
  stop_process "$SIM_PID"
}
trap cleanup EXIT INT TERM

echo "== starting kv275sim: sensors at 178, 180, 200 and 213 on COM1 (in $WORK)"
"$BUILD/sim/kv275sim" --dir "$WORK" --port COM1 \
  --sensor 178:sine:12.5:3:20 --sensor 180:ramp:0:90:60 --sensor 200:45.5 --sensor 213:sine:170:5:8 \
  --delay 3 --ready-file "$WORK/sim.ready" --log "$OUT/sim-traffic.log" &
SIM_PID=$!
for _ in $(seq 1 100); do
  [ -f "$WORK/sim.ready" ] && break
  kill -0 "$SIM_PID" 2>/dev/null || { echo "kv275sim did not start" >&2; exit 1; }
  sleep 0.05
done
[ -f "$WORK/sim.ready" ] || { echo "kv275sim did not get ready" >&2; exit 1; }
cat "$WORK/sim.ready"

cd "$WORK"
# Qt wants a private runtime directory; give it one of the demo's own.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$OUT/runtime}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  ONSCREEN=0
else
  ONSCREEN=1
fi

echo
echo "== reading each sensor once through the sensor session (addresses 178, 180, 200, 213)"
"$BUILD/demo/read_angles" 1 1 3 23 36

# The scanner's settings file points at the simulator's port, so its first
# start is quiet (no missing-entry boxes).
printf '%s\r\n' "[INCLINATION SENSOR COMPARAMETERS]" "ISPort=1" "ISAddress=1" "BaudRate=9600" "ByteSize=8" \
  "Parity=0" "StopBits=0" "ReadIntervalTimeout=200" "ReadTotalTimeoutMultiplier=7" \
  "ReadTotalTimeoutConstant=124" "WriteTotalTimeoutMultiplier=0" | tr -d '\n' > KV275Scan.ini
printf 'WriteTotalTimeoutConstant=0' >> KV275Scan.ini
sed -i 's/\r/\r\n/g' KV275Scan.ini

echo
echo "== KV275Scan: scan the bus (78 addresses, about 40 s), then read the sensors found"
"$BUILD/demo/KV275ScanDemo" "$OUT/KV275Scan.png"

# The timing program's grid: 2 rows of 3 cells on COM1, filled by its scan.
printf 'rows 2\r\ncolumns 3\r\nrowdiff 2\r\ncolumndiff 2\r\nISPort 1\r\nISAddressNumber 0\r\nAddressFormat 1\r\n' \
  > KV275Times.ini

echo
echo "== KV275Times: scan the bus, run the timing for a few seconds, stop"
"$BUILD/demo/KV275TimesDemo" "$OUT/KV275Times.png"

# The setup program's settings point at the simulator's port, so its start is
# quiet; its read and write go to the sensor at 178.
printf '%s\r\n' "[INCLINATION SENSOR COMPARAMETERS]" "ISPort=1" "BaudRate=9600" "ByteSize=8" "Parity=0" \
  "StopBits=0" "ReadIntervalTimeout=400" "ReadTotalTimeoutMultiplier=7" "ReadTotalTimeoutConstant=124" \
  "WriteTotalTimeoutMultiplier=0" "WriteTotalTimeoutConstant=5000" "" "[USER INTERFACE PARAMETERS]" > KV275Setup.ini
printf 'ShowAddressQuestion=1' >> KV275Setup.ini

echo
echo "== KV275Setup: read the variables of the sensor at 178, change filter and cut-off, write, read back"
"$BUILD/demo/KV275SetupDemo" "$OUT/KV275Setup.png"

# Tiltview's settings file holds the port alone: the simulator's COM1.
printf '1' > Tiltview.ini

echo
echo "== Tiltview: poll the sensor at 180 (its angle ramps) for a few seconds, show it as text and dial"
"$BUILD/demo/TiltviewDemo" "$OUT/Tiltview.png"

# The monitor's settings: the simulator's port, the whole run in view; the
# demo types the sensors' addresses itself.
printf '[KV275 MONITOR]\r\nPort=1\r\nSensors=\r\nWindow=0\r\nRelative=0\r\n' > KV275Monitor.ini
rm -f "$OUT/KV275Monitor.csv"

echo
echo "== KV275Monitor: add 178 180 0xC8 hD5, poll and record 8 s, plot them relative to their first readings"
"$BUILD/demo/KV275MonitorDemo" "$OUT/KV275Monitor.png" "$OUT/KV275Monitor.csv"
echo "   $(($(wc -l < "$OUT/KV275Monitor.csv") - 1)) readings in demo-out/KV275Monitor.csv, in kv275 read --csv's format"

echo
echo "== kv275 scan --fast: the same bus from the command line, one query an address"
"$BUILD/cli/kv275" scan --fast --port 1 | tee "$OUT/kv275-scan.txt"
KV275_FOUND=$(awk '/^ *[0-9]+ +[0-9A-F][0-9A-F] +#[0-9][0-9] /{printf "%s%s", sep, $1; sep=" "}' "$OUT/kv275-scan.txt")

echo
echo "== kv275 times over the sensors found ($KV275_FOUND), 3 s"
# shellcheck disable=SC2086  # one argument per address
"$BUILD/cli/kv275" times $KV275_FOUND --duration 3 --port 1

KV275_FIRST=${KV275_FOUND%% *}
echo
echo "== kv275 vars dump $KV275_FIRST: its comment lines and the five writable variables (all 256 in demo-out/kv275-$KV275_FIRST.dump)"
"$BUILD/cli/kv275" vars dump "$KV275_FIRST" --port 1 > "$OUT/kv275-$KV275_FIRST.dump"
grep -E '^#|^V0(24|25|26|63|64)=' "$OUT/kv275-$KV275_FIRST.dump"

echo
echo "== kv275 read --mqtt: 3 s of readings from $KV275_FOUND to a local mosquitto"
MOSQUITTO=$(command -v mosquitto || echo /usr/sbin/mosquitto)
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# A port nothing listens on; another program may take it first, so the next is tried then.
for BROKER_PORT in $(seq 18830 18930); do
  listening "$BROKER_PORT" && continue
  printf 'listener %s 127.0.0.1\nallow_anonymous true\nuser %s\n' "$BROKER_PORT" "$(id -un)" > "$WORK/mosquitto.conf"
  "$MOSQUITTO" -c "$WORK/mosquitto.conf" > "$OUT/mosquitto.log" 2>&1 &
  BROKER_PID=$!
  for _ in $(seq 1 100); do
    listening "$BROKER_PORT" && break
    kill -0 "$BROKER_PID" 2>/dev/null || break
    sleep 0.05
  done
  listening "$BROKER_PORT" && kill -0 "$BROKER_PID" 2>/dev/null && break
  stop_process "$BROKER_PID"
  BROKER_PID=""
done
[ -n "$BROKER_PID" ] || { echo "mosquitto did not start (see $OUT/mosquitto.log)" >&2; exit 1; }
echo "   mosquitto on 127.0.0.1:$BROKER_PORT; the subscriber: mosquitto_sub -t 'kv275/#' -v"
mosquitto_sub -h 127.0.0.1 -p "$BROKER_PORT" -t 'kv275/#' -v > "$OUT/mqtt-received.txt" &
SUB_PID=$!
# The subscriber is listening once a message of its own has come back to it.
for _ in $(seq 1 100); do
  mosquitto_pub -h 127.0.0.1 -p "$BROKER_PORT" -t kv275/demo-probe -m ready
  grep -q '^kv275/demo-probe ready$' "$OUT/mqtt-received.txt" && break
  sleep 0.05
done
# shellcheck disable=SC2086  # one argument per address
"$BUILD/cli/kv275" read $KV275_FOUND --interval 500 --duration 3 --port 1 --mqtt "mqtt://127.0.0.1:$BROKER_PORT" \
  --topic kv275/demo > "$OUT/kv275-read.txt"
for _ in $(seq 1 100); do
  grep -q '^kv275/demo/COM1/status offline$' "$OUT/mqtt-received.txt" && break
  sleep 0.05
done
stop_process "$SUB_PID"
SUB_PID=""
echo "   what the subscriber received:"
grep -v '^kv275/demo-probe ' "$OUT/mqtt-received.txt" | sed 's/^/   /'
echo "   what a subscriber that comes later gets at once (the retained messages):"
KV275_COUNT=$(wc -w <<< "$KV275_FOUND")
mosquitto_sub -h 127.0.0.1 -p "$BROKER_PORT" -t 'kv275/demo/#' -v -C $((KV275_COUNT + 1)) -W 10 | sort | sed 's/^/   /'
stop_process "$BROKER_PID"
BROKER_PID=""

if [ "$ONSCREEN" = 1 ]; then
  echo
  echo "== KV275Scan is open on the simulated bus (COM1); close it to go on"
  "$BUILD/scan/KV275Scan"
  echo "== KV275Times is open on the simulated bus (COM1); close it to go on"
  "$BUILD/times/KV275Times"
  echo "== KV275Setup is open on the simulated bus (COM1); close it to go on"
  "$BUILD/setup/KV275Setup"
  echo "== Tiltview is open on the simulated bus (COM1); choose an address, press Start; close it to go on"
  "$BUILD/tiltview/Tiltview"
  echo "== KV275Monitor is open on the simulated bus (COM1) with its sensors; press Start; close it to end the demo"
  "$BUILD/monitor/KV275Monitor"
fi
