#!/bin/sh
# `sperrow serve` with several peers at once: eight clients (tftp-hpa, curl, busybox, atftp,
# each reading one file and writing another) all arrive byte for byte. (Requests refused
# while others run, leaving them as they were, and sixteen peers at once: the server's engine
# tests; a simulated modem in fetch mode reading its image from our server: commands_test.sh
# and json_test.sh.)
# Usage: serve_crowd_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
for client in tftp-hpa curl busybox atftp; do
  has_client $client || { echo "skip: $client is not installed"; exit 77; }
done

mkdir srv got
for client in tftp-hpa curl busybox atftp; do
  head -c 3000000 /dev/urandom > "srv/for-$client"
  head -c 3000000 /dev/urandom > "up-$client"
done

start_serve --root srv --write
# --- Eight clients at once ----------------------------------------------------------------
CLIENTS=""
for client in tftp-hpa curl busybox atftp; do
  client_get $client "for-$client" "got/$client" > /dev/null 2>&1 &
  CLIENTS="$CLIENTS $!"
  client_put $client "up-$client" "from-$client" > /dev/null 2>&1 &
  CLIENTS="$CLIENTS $!"
done
PIDS="$PIDS $CLIENTS"
for pid in $CLIENTS; do wait "$pid"; done
for client in tftp-hpa curl busybox atftp; do
  check "eight at once: $client read its file whole" same_file "got/$client" "srv/for-$client"
  check "eight at once: $client wrote its file whole" same_file "srv/from-$client" "up-$client"
done
wait_for_lines 8 '	ok$'
check "eight at once: eight lines, all ok" is "$(serve_lines | grep -c '	ok$')" 8

stop_serve
finish
