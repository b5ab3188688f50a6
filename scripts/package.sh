#!/usr/bin/env bash
# Makes the Debian package from a release build and checks it (called by
# ./run package with the build directory): the menu entries, the AppStream
# file and the package itself against the distribution's validators, then
# every program started from an unpacked copy.
set -euo pipefail
BUILD=$1
cd "$BUILD"
rm -f kv275-tools_*.deb
cpack -G DEB > cpack.log || { cat cpack.log; exit 1; }
DEB=$(ls "$BUILD"/kv275-tools_*.deb)
echo "== package: $DEB"
dpkg-deb --info "$DEB" | sed -n '/Package:/,/Description:/p'

STAGE=$(mktemp -d)
sim=""
# A failed step must not leave the simulator of the last check running.
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$STAGE"' EXIT
dpkg-deb -x "$DEB" "$STAGE/root"
echo "== installs:"
(cd "$STAGE/root" && find . -type f -o -type l | sort | sed 's|^\.|  |')

echo "== desktop-file-validate"
desktop-file-validate "$STAGE"/root/usr/share/applications/*.desktop
echo "  all entries valid"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$STAGE"/root/usr/share/metainfo/*.metainfo.xml
echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$DEB" || { echo "lintian found errors" >&2; exit 1; }
echo "  no errors"

echo "== the programs, started from the unpacked package"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$STAGE/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
BIN="$STAGE/root/usr/bin"
for tool in KV275Scan KV275Times KV275Setup Tiltview KV275Monitor kv275sim kv275; do
  printf '  %-12s %s\n' "$tool" "$("$BIN/$tool" --version)"
done
for tool in KV275Scan KV275Times KV275Setup Tiltview KV275Monitor; do
  work="$STAGE/work-$tool"
  mkdir -p "$work"
  # Started in an empty directory with no display: the tool must come up and
  # stay up (its window, or its first-start boxes, wait for a user).
  set +e
  (cd "$work" && timeout 3 "$BIN/$tool" > "$work/out.txt" 2>&1)
  rc=$?
  set -e
  if [ $rc -ne 124 ]; then
    echo "  $tool ended with status $rc instead of running:" >&2
    cat "$work/out.txt" >&2
    exit 1
  fi
  echo "  $tool started and ran until stopped"
done
"$BIN/kv275sim" --dir "$STAGE" --ready-file "$STAGE/ready" > "$STAGE/sim.out" 2>&1 &
sim=$!
for _ in $(seq 1 100); do
  [ -f "$STAGE/ready" ] && break
  kill -0 "$sim" 2>/dev/null || { echo "kv275sim did not start:" >&2; cat "$STAGE/sim.out" >&2; exit 1; }
  sleep 0.05
done
[ -f "$STAGE/ready" ] || { echo "kv275sim did not get ready" >&2; exit 1; }
(cd "$STAGE" && "$BIN/kv275" scan --fast --port 1) | sed 's/^/  /'
kill -TERM "$sim"; wait "$sim"; sim=""
echo "package: all checks passed"
