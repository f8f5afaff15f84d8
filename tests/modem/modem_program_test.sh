#!/bin/sh
# sperrow-modem against tftp-hpa's tftp and curl on loopback: reads after the key, a
# missing file, writes refused without the key and taken with it, and a clean exit on
# SIGTERM and SIGINT. Runs inside a loopback-only namespace (tests/netns-run).
# Usage: modem_program_test.sh SPERROW_MODEM DATA_DIR
set -u
MODEM=$1
DATA=$2
for tool in tftp curl timeout cmp; do
  command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is not installed"; exit 77; }
done

WORK=$(mktemp -d /tmp/sperrow-modem-program.XXXXXX)
PID=""
cleanup() {
  [ -n "$PID" ] && kill "$PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
cd "$WORK" || exit 1

FAILED=0
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; FAILED=1; }
check() {  # check DESCRIPTION COMMAND...
  desc=$1; shift
  if "$@"; then ok "$desc"; else fail "$desc"; fi
}

# Starts the modem on a free port; sets PID and PORT. Waits a bounded time for its banner.
start_modem() {
  log=$1; shift
  "$MODEM" --port 0 --data "$DATA" "$@" > "$log" 2>&1 &
  PID=$!
  PORT=""
  i=0
  while [ $i -lt 100 ]; do
    PORT=$(sed -n 's/^sperrow-modem listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$log")
    [ -n "$PORT" ] && return 0
    kill -0 "$PID" 2>/dev/null || break
    sleep 0.1
    i=$((i + 1))
  done
  echo "the modem did not start:"; cat "$log"
  exit 1
}

# Stops the modem with a signal; true when it exited with status 0.
stop_modem() {
  kill -"$1" "$PID"
  wait "$PID"
  rc=$?
  PID=""
  [ $rc -eq 0 ]
}

get() { timeout 30 tftp 127.0.0.1 "$PORT" -m binary -c get "$@" 2>&1; }
put() { timeout 30 tftp 127.0.0.1 "$PORT" -m binary -c put "$@" 2>&1; }
contains() { case "$1" in *"$2"*) return 0 ;; *) return 1 ;; esac; }

start_modem modem.log --password secret --store "$WORK/store"

# Locked: reads and writes are refused, and nothing is written.
out=$(get info locked.info)
check "read without the key is refused" contains "$out" "Access denied: modem is locked"
head -c 3000 /dev/urandom > upload.bin
out=$(put upload.bin)
check "write without the key is refused" contains "$out" "Access denied: modem is locked"
check "a refused write stores nothing" test ! -e store/upload.bin

printf 'wrong\r\n' > tftplock.key
out=$(put tftplock.key)
check "a wrong key is refused" contains "$out" "Wrong password"

printf 'secret\r\n' > tftplock.key
out=$(put tftplock.key)
check "the right key is taken" test -z "$out"

# Unlocked for this address: tftp-hpa and curl read the shipped files byte for byte.
get info got.info >/dev/null
check "tftp reads info" cmp -s got.info "$DATA/info"
get ProductInfo got.ProductInfo >/dev/null
check "tftp reads ProductInfo" cmp -s got.ProductInfo "$DATA/ProductInfo"
timeout 30 curl -s --tftp-no-options "tftp://127.0.0.1:$PORT/info" -o curl.info
check "curl --tftp-no-options reads info" cmp -s curl.info "$DATA/info"
timeout 30 curl -s "tftp://127.0.0.1:$PORT/dhcpd.conf" -o curl.dhcpd.conf
check "curl asking for options gets a plain transfer of dhcpd.conf" \
  cmp -s curl.dhcpd.conf "$DATA/dhcpd.conf"

out=$(get no-such-file)
check "a missing file answers Failed to open file for reading" \
  contains "$out" "Failed to open file for reading"
check "curl fails on a missing file" \
  sh -c "! timeout 30 curl -s --tftp-no-options tftp://127.0.0.1:$PORT/no-such-file -o /dev/null"

out=$(put upload.bin)
check "a write after the key is taken" test -z "$out"
check "the written file is stored whole" cmp -s upload.bin store/upload.bin
head -c 200000 /dev/urandom > image
put image >/dev/null
check "a 200000-byte image arrives whole" cmp -s image store/image

check "SIGTERM ends the modem with status 0" stop_modem TERM
check "the log has one line per exchange" \
  test "$(grep -c 'write upload.bin: received 3000 bytes' modem.log)" -eq 1

start_modem modem2.log -q
check "SIGINT ends the modem with status 0" stop_modem INT
check "-q keeps only the banner" test "$(wc -l < modem2.log)" -eq 1

exit $FAILED
