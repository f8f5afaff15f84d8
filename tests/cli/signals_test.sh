#!/bin/sh
# SIGINT and SIGTERM end a command with 130 and 143, with its files closed, nothing left
# running, and no half-received configuration pack under the destination's name; during an
# upgrade they say what they interrupted and that the modem may be left in update mode.
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
i=0
while [ $i -lt 100 ]; do
  grep -q 'read initbridge' modem.log && break
  sleep 0.1
  i=$((i + 1))
done
part=$(ls -A | grep '\.part$' | head -1)
check "config get was receiving into a file of its own" test -n "$part"
kill -INT "$PID"
wait "$PID"
RC=$?
check "SIGINT during config get: status 130" is "$RC" 130
check "SIGINT during config get: the earlier pack is untouched" same_file config.pack earlier.pack
check "SIGINT during config get: no partial pack is left" sh -c "[ -z \"\$(ls -A | grep '\.part$')\" ]"
check "SIGINT during config get: the process is gone" sh -c "! kill -0 $PID 2>/dev/null"

"$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p pw upgrade "$ROOT/samples/sample.pack" > out 2> err &
PID=$!
PIDS="$PIDS $PID"
sleep 1
kill -TERM "$PID"
wait "$PID"
RC=$?
check "SIGTERM during an upgrade: status 143" is "$RC" 143

# SIGINT once the image is on its way (the modem holds the begin marker, and each datagram
# waits 300 ms, so the 79 blocks of the image take half a minute).
began=$(grep -c 'write tftpupdt.beg' modem.log)
"$SPERROW" -m 127.0.0.1 --port "$MODEM_PORT" -p pw upgrade "$ROOT/samples/sample.pack" > out 2> err &
PID=$!
PIDS="$PIDS $PID"
i=0
while [ $i -lt 150 ]; do
  [ "$(grep -c 'write tftpupdt.beg' modem.log)" -gt "$began" ] && break
  sleep 0.1
  i=$((i + 1))
done
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
