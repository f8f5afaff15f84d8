#!/bin/sh
# `sperrow serve` as a command, with real clients on loopback (tftp-hpa's tftp and curl):
# each transfer leaves one line of seven tab-separated fields, -q none, -v adds the log; a
# missing file or a direction turned off is told at once; a server killed mid-upload leaves
# nothing in its root; SIGINT ends it with status 0; a port it cannot open ends it at once
# with status 1 and the reason. (Every client's reads and writes arriving byte for byte:
# serve_crowd_test.sh; SIGTERM's status 0: json_test.sh.)
# Usage: serve_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work
need tftp curl

mkdir srv got
head -c 70000 /dev/urandom > srv/image.bin
head -c 70000 /dev/urandom > upload.bin

start_serve --root srv --write -v
URL=tftp://127.0.0.1:$SERVE_PORT
client_get curl image.bin got/curl > /dev/null 2>&1
client_put curl upload.bin from-curl.bin > /dev/null 2>&1
check "curl reads a file, and writes one with --write" \
  sh -c 'cmp -s got/curl srv/image.bin && cmp -s srv/from-curl.bin upload.bin'

# Seven fields: time, peer, direction, name, bytes, seconds, outcome.
T=$(printf '\t')
TIME='[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}'
PEER='127\.0\.0\.1:[0-9]+'
wait_for_lines 2 .
check "one line per transfer" is "$(serve_lines | wc -l)" 2
check "a read's line" grep -Eq "^$TIME${T}$PEER${T}read${T}image\.bin${T}70000$T[0-9]+\.[0-9]{2}${T}ok\$" serve.out
check "a write's line" grep -Eq "^$TIME${T}$PEER${T}write${T}from-curl\.bin${T}70000$T[0-9]+\.[0-9]{2}${T}ok\$" serve.out
check "-v: the log on stderr" grep -q '^Remote IP : Port = 127.0.0.1:[0-9]* Read Request' serve.err

# A missing file is told at once: curl's status 68, "File Not Found", and a line saying so.
timeout 20 curl -sS --max-time 10 -o got/none "$URL/missing" 2> /dev/null
check "curl's read of a missing file: status 68" is $? 68
check "a missing file's line" grep -Eq "${T}read${T}missing${T}0${T}0\.[0-9]{2}${T}File not found\$" serve.out

# The port is taken now: a second server ends at once, saying why.
timeout 10 "$SPERROW" --listen 127.0.0.1 --server-port "$SERVE_PORT" serve --root srv > second.out 2> second.err
RC=$?
check "a port that cannot be opened: status 1, the reason on stderr" \
  ended 1 grep -q "UDP port $SERVE_PORT" second.err

# Killed in the middle of an upload: the root holds what it held, nothing more.
head -c 30000000 /dev/zero > huge.bin
before=$(ls -A srv)
timeout 60 tftp 127.0.0.1 "$SERVE_PORT" -m binary -c put huge.bin huge.bin > /dev/null 2>&1 &
UPLOAD=$!
PIDS="$PIDS $UPLOAD"
# The file being received is open, but unnamed.
receiving() { ls -l "/proc/$SERVE_PID/fd" 2>/dev/null | grep -q '(deleted)'; }
poll 50 receiving
check "an upload under way has no name in the root" sh -c \
  "ls -l /proc/$SERVE_PID/fd | grep -q '(deleted)' && [ \"\$(ls -A srv)\" = '$before' ]"
stop_serve KILL 2> /dev/null
check "a server killed mid-upload leaves nothing behind" is "$(ls -A srv)" "$before"
kill "$UPLOAD" 2>/dev/null

# -q prints no lines; without --write a write is refused, with --no-read a read: at once.
start_serve -q --root srv --no-read
URL=tftp://127.0.0.1:$SERVE_PORT
timeout 10 tftp 127.0.0.1 "$SERVE_PORT" -m binary -c put upload.bin refused.bin > put.out 2>&1
check "without --write a write is told no" grep -q 'Access violation' put.out
check "without --write a write leaves no file" test ! -e srv/refused.bin
timeout 20 curl -sS --max-time 10 -o got/none "$URL/image.bin" 2> /dev/null
check "with --no-read a read is told no (curl's status 69)" is $? 69
check "-q: no transfer lines" is "$(serve_lines)" ""
stop_serve INT
check "SIGINT ends serve with status 0" is "$RC" 0

finish
