#!/bin/sh
# `sperrow serve` with several peers at once: eight clients (tftp-hpa, curl, busybox, atftp,
# each reading one file and writing another) all arrive byte for byte; three simulated modems
# in fetch mode read the same image from it at the same time, each whole. (Requests refused
# while others run, leaving them as they were: the server's engine tests.)
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

# --- Three simulated modems fetching one image -----------------------------------------------
# Writing "RequestID" sets a modem in fetch mode reading "LatestVersion" and then the image
# it names from the host that wrote it, at the port given.
mkdir images
head -c 4000000 /dev/urandom > images/image.comp
printf '99.0\r\nimage.comp\r\n127.0.0.1\r\n4000000\r\n' > images/LatestVersion
start_serve --root images
printf 'pw\r\n' > request
MODEMS="" PORTS=""
for n in 1 2 3; do
  mkdir "store$n"
  MODEM_LOG=$WORK/modem$n.log start_modem --fetch-port "$SERVE_PORT" --store "$WORK/store$n"
  MODEMS="$MODEMS $MODEM_PID" PORTS="$PORTS $MODEM_PORT"
done
for port in $PORTS; do
  timeout 30 tftp 127.0.0.1 "$port" -m binary -c put request RequestID > /dev/null 2>&1 &
done
for n in 1 2 3; do wait_for_lines $n '	image\.comp	4000000	.*	ok$'; done
for n in 1 2 3; do
  check "modem $n read the image whole" same_file "store$n/image.comp" images/image.comp
done
check "three reads of the image, from three peers" \
  is "$(serve_lines | grep '	image\.comp	' | cut -f2 | sort -u | wc -l)" 3
for pid in $MODEMS; do kill "$pid"; wait "$pid" 2>/dev/null; done
stop_serve

finish
