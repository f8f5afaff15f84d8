#!/bin/sh
# SIGINT ends a command with 130, with its files closed, nothing left running, and no
# half-received configuration pack under the destination's name; during an upgrade it says
# what it interrupted and that the modem may be left in update mode. (SIGTERM, 143, and the
# same words: fleet_test.sh, whose children are single runs.)
# Usage: signals_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

# Every datagram of the modem waits, so that a configuration read lasts some seconds.
start_modem --delay 300

printf 'an earlier pack\n' > config.pack
cp config.pack earlier.pack
"$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p pw config get > out 2> err &
PID=$!
PIDS="$PIDS $PID"
# Wait (bounded) until the modem has sent its first file: the new pack is being received.
wait_for modem.log 'read initbridge' 100
part=$(ls -A | grep '\.part$' | head -1)
check "config get was receiving into a file of its own" test -n "$part"
kill -INT "$PID"
wait "$PID"
RC=$?
check "SIGINT during config get: status 130" is "$RC" 130
check "SIGINT during config get: the earlier pack is untouched" same_file config.pack earlier.pack
check "SIGINT during config get: no partial pack is left" sh -c "[ -z \"\$(ls -A | grep '\.part$')\" ]"

# SIGINT once the image is on its way (the modem holds the begin marker, and each datagram
# waits 300 ms, so the 79 blocks of the image take half a minute).
"$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p pw upgrade "$ROOT/samples/sample.pack" > out 2> err &
PID=$!
PIDS="$PIDS $PID"
wait_for modem.log 'write tftpupdt.beg' 150
sleep 2
kill -INT "$PID"
wait "$PID"
RC=$?
check "SIGINT during the image: status 130" is "$RC" 130
check "SIGINT during the image: the step, the file and how far" \
  sh -c "grep -qx 'Interrupted: sending the image, image: [0-9]* of 79 blocks\.' err"
check "SIGINT during the image: the modem may be in update mode, said last" \
  is "$(tail -n 1 err)" "The modem may be left in update mode: run the upgrade again."
check "SIGINT during the image: the image did not reach the modem whole" \
  sh -c "! grep -q 'write image: received' modem.log"

stop_modem
finish
