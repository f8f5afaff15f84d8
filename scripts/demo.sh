#!/bin/sh
# `make demo`: starts the simulated modem on loopback with the bundled data, talks to it
# with a plain TFTP client the way Sperrow does (unlock key first, then the
# identification files), prints what the modem answered, and stops the modem again.
# Usage: scripts/demo.sh BUILD_DIR
set -eu
BUILD=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
MODEM="$BUILD/src/modem/sperrow-modem"
PASSWORD=demo

[ -x "$MODEM" ] || { echo "demo: $MODEM is not built (run make demo)" >&2; exit 1; }
command -v tftp >/dev/null 2>&1 || { echo "demo: tftp (tftp-hpa) is not installed" >&2; exit 1; }

WORK=$(mktemp -d /tmp/sperrow-demo.XXXXXX)
PID=""
cleanup() {
  if [ -n "$PID" ]; then kill "$PID" 2>/dev/null || true; wait "$PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Port 0: the modem takes a free high port and names it in its first line.
"$MODEM" --listen 127.0.0.1 --port 0 --data "$ROOT/data/modem" --password "$PASSWORD" \
  --completion-delay 1000 > "$WORK/modem.log" 2>&1 &
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
tftp_do() { timeout 30 tftp 127.0.0.1 "$PORT" -m binary -c "$@"; }

echo "== without the key the modem refuses:"
tftp_do get info refused.info || true

echo "== unlock key \"tftplock.key\" (password, CR LF), then the identification files:"
printf '%s\r\n' "$PASSWORD" > tftplock.key
tftp_do put tftplock.key
for name in info ProductInfo; do
  tftp_do get "$name" "$name"
  printf '%-12s %s\n' "$name:" "$(cat "$name")"
done
echo "== hw.prof:"
tftp_do get hw.prof hw.prof
sed 's/^/    /' hw.prof

sleep 0.2
echo "== the modem's log:"
sed 's/^/    /' "$WORK/modem.log"
