#!/bin/sh
# `make demo`: starts the simulated modem on loopback with the bundled data, upgrades it
# with the bundled sample pack through `sperrow`, reads its identification, saves its
# configuration, and stops the modem again. Everything talks to 127.0.0.1 only.
# Usage: scripts/demo.sh BUILD_DIR
set -eu
BUILD=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
case $BUILD in /*) ;; *) BUILD=$(pwd)/$BUILD ;; esac
SPERROW="$BUILD/src/frontends/cli/sperrow"
MODEM="$BUILD/src/modem/sperrow-modem"
PASSWORD=demo

for program in "$SPERROW" "$MODEM"; do
  [ -x "$program" ] || { echo "demo: $program is not built (run make demo)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/sperrow-demo.XXXXXX)
PID=""
cleanup() {
  if [ -n "$PID" ]; then kill "$PID" 2>/dev/null || true; wait "$PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 141' PIPE
trap 'exit 143' TERM

# Port 0: the modem takes a free high port and names it in its first line.
"$MODEM" --listen 127.0.0.1 --port 0 --data "$ROOT/data/modem" --password "$PASSWORD" \
  --completion-delay 3000 > "$WORK/modem.log" 2>&1 &
PID=$!
PORT=""
i=0
while [ -z "$PORT" ] && [ $i -lt 100 ]; do
  sleep 0.1
  PORT=$(sed -n 's/^sperrow-modem listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$WORK/modem.log")
  i=$((i + 1))
done
[ -n "$PORT" ] || { echo "demo: the simulated modem did not start:" >&2; cat "$WORK/modem.log" >&2; exit 1; }
echo "== simulated modem (pid $PID) on 127.0.0.1:$PORT, password \"$PASSWORD\""

cd "$WORK"
run() {
  echo
  echo "\$ sperrow -m 127.0.0.1 --port $PORT -p $PASSWORD $*"
  timeout 120 "$SPERROW" -m 127.0.0.1 --port "$PORT" -p "$PASSWORD" "$@"
}

run describe "$ROOT/samples/sample.pack"
run upgrade "$ROOT/samples/sample.pack"
run info
run config get -o "$WORK/modem-config.pack"
run describe "$WORK/modem-config.pack"

echo
echo "== what the modem saw:"
sed 's/^/    /' "$WORK/modem.log"
