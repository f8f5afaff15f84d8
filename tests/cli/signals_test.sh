#!/bin/sh
# SIGINT and SIGTERM end a command with 130 and 143, with its files closed, nothing left
# running, and no half-received configuration pack under the destination's name.
# Usage: signals_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/cli/lib.sh"

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

stop_modem
finish
