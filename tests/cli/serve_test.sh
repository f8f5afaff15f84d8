#!/bin/sh
# `sperrow serve`: the local TFTP server as a command, with real clients on loopback
# (tftp-hpa's tftp and curl; busybox's tftp and atftp where they are installed). Reads and,
# with --write, writes arrive byte for byte; names reaching outside the root touch nothing
# there; a direction turned off gets no answer; SIGTERM and SIGINT end it with status 0; a port it
# cannot open ends it at once with status 1 and the reason.
# Usage: serve_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/cli/lib.sh"
for tool in tftp curl; do
  command -v $tool >/dev/null 2>&1 || { echo "skip: $tool is not installed"; exit 77; }
done

PORT=$(free_port)
URL=tftp://127.0.0.1:$PORT

# Starts `sperrow serve` with the given arguments; sets SERVE_PID once it serves.
start_serve() {
  "$SPERROW" --listen 127.0.0.1 --server-port "$PORT" serve "$@" > serve.out 2> serve.err &
  SERVE_PID=$!
  PIDS="$PIDS $SERVE_PID"
  i=0
  until grep -q '^Serving ' serve.out; do
    i=$((i + 1))
    [ $i -lt 50 ] && kill -0 "$SERVE_PID" 2>/dev/null || { echo "serve did not start:"; cat serve.err; return 1; }
    sleep 0.1
  done
}
stop_serve() {  # stop_serve SIGNAL: the exit status in RC
  kill -"$1" "$SERVE_PID"
  wait "$SERVE_PID"
  RC=$?
}

mkdir srv got
for size in 0 511 512 1024 1000000; do head -c $size /dev/urandom > "srv/f$size"; done
head -c 70000 /dev/urandom > upload.bin

start_serve --root srv --write
for size in 0 511 512 1024 1000000; do
  timeout 30 tftp 127.0.0.1 "$PORT" -m binary -c get "f$size" "got/tftp$size" > /dev/null 2>&1
  check "tftp-hpa reads a $size-byte file whole" same_file "got/tftp$size" "srv/f$size"
  timeout 30 curl -s -o "got/curl$size" "$URL/f$size"
  check "curl reads a $size-byte file whole" same_file "got/curl$size" "srv/f$size"
  timeout 30 curl -s --tftp-no-options -o "got/plain$size" "$URL/f$size"
  check "curl without options reads a $size-byte file whole" same_file "got/plain$size" "srv/f$size"
done
timeout 30 tftp 127.0.0.1 "$PORT" -m binary -c put upload.bin from-tftp.bin > /dev/null 2>&1
check "tftp-hpa writes a file with --write" same_file srv/from-tftp.bin upload.bin
timeout 30 curl -s -T upload.bin "$URL/from-curl.bin"
check "curl writes a file with --write" same_file srv/from-curl.bin upload.bin

# busybox's tftp and atftp, where they are there: reads and writes alike.
ATFTP=$(command -v atftp || echo "${SPERROW_PEERS:-/nonexistent}/usr/bin/atftp")
for client in busybox atftp; do
  case $client in
    busybox) command -v busybox >/dev/null 2>&1 || { echo "skip: busybox is not installed"; continue; }
             run_client() { timeout 30 busybox tftp "$@" 127.0.0.1 "$PORT" > /dev/null 2>&1; } ;;
    atftp) [ -x "$ATFTP" ] || { echo "skip: atftp is not installed"; continue; }
           run_client() { timeout 30 "$ATFTP" "$@" 127.0.0.1 "$PORT" > /dev/null 2>&1; } ;;
  esac
  for size in 0 511 512 1024 1000000; do
    run_client -g -r "f$size" -l "got/$client$size"
    check "$client reads a $size-byte file whole" same_file "got/$client$size" "srv/f$size"
  done
  run_client -p -l upload.bin -r "from-$client.bin"
  check "$client writes a file with --write" same_file "srv/from-$client.bin" upload.bin
done

# Names that reach outside the root are refused: nothing is read from outside, and a write
# changes no file there nor makes one. (An absolute name is written only into our own folder.)
printf 'outside' > x
mkdir -p srv/a
for name in ../x /etc/passwd a/../../x; do
  rm -f got/escaped
  timeout 3 tftp 127.0.0.1 "$PORT" -m binary -c get "$name" got/escaped > /dev/null 2>&1
  check "a read of $name gets nothing" test ! -s got/escaped
done
for name in ../x a/../../x "$WORK/absolute.bin"; do
  timeout 3 tftp 127.0.0.1 "$PORT" -m binary -c put upload.bin "$name" > /dev/null 2>&1
  check "a write of $name changes nothing outside the root" \
    sh -c '[ "$(cat x)" = outside ] && [ ! -e absolute.bin ]'
done

# The port is taken now: a second server ends at once, saying why.
timeout 10 "$SPERROW" --listen 127.0.0.1 --server-port "$PORT" serve --root srv > second.out 2> second.err
RC=$?
check "a port that cannot be opened: status 1" is "$RC" 1
check "a port that cannot be opened: the reason on stderr" grep -q "UDP port $PORT" second.err

stop_serve TERM
check "SIGTERM ends serve with status 0" is "$RC" 0

# Without --write a write gets no answer, and with --no-read a read gets none.
start_serve --root srv --no-read
timeout 4 tftp 127.0.0.1 "$PORT" -m binary -c put upload.bin refused.bin > /dev/null 2>&1
check "without --write a write leaves no file" test ! -e srv/refused.bin
timeout 4 curl -s --tftp-no-options --max-time 3 -o got/none "$URL/f512"
check "with --no-read a read gets nothing" test ! -s got/none
stop_serve INT
check "SIGINT ends serve with status 0" is "$RC" 0

finish
