#!/bin/sh
# How `sperrow` fails: each failure of a run against the simulated modem ends the command
# with the status of the contract and the reason on stderr (with the update-mode line when
# the update bracket was open), and a peer that answers out of order and then falls silent
# ends the run with the time-out of the request it left unanswered.
# Usage: failures_test.sh SPERROW SPERROW_MODEM SOURCE_DIR STRAY_PEER
SPERROW=$1 MODEM=$2 ROOT=$3 STRAY=$4
. "$ROOT/tests/lib.sh"; loopback_work

start_modem --error "tftpupdt.beg=Flash is busy, try later" --board SIM-BOARD-1
PW=wrong sperrow info
check "wrong password: status 1" status_is 1
check "wrong password: the modem's text on stderr" is "$ERR" "Wrong password"
check "wrong password: nothing on stdout" is "$OUT" ""

sperrow upgrade "$ROOT/samples/sample.comp"
check "modem error text: status 1" status_is 1
check "modem error text: shown as it came, then the update-mode line" is "$ERR" "Flash is busy, try later
The modem may be left in update mode: run the upgrade again."
check "modem error text: no status dialog" is "$OUT" ""
stop_modem

start_modem --silent
sperrow --retry 0 --timeout 1 info
check "silent modem with --retry 0: status 1" status_is 1
check "silent modem: the time-out message" is "$ERR" "Timeout:
ADSL no response!"
stop_modem

# A lost acknowledgement of a data block, with no retry left, asks Retry or Cancel; without
# a terminal the answer is Cancel.
start_modem --drop "ack:3*"
sperrow --retry 0 --timeout 1 upgrade "$ROOT/samples/sample.comp" < /dev/null
check "lost block acknowledgement: status 1" status_is 1
check "lost block acknowledgement: the Retry/Cancel text, answered Cancel" is "$ERR" "Timeout:
ADSL no ACK! Retry? 
The modem may be left in update mode: run the upgrade again."
stop_modem

# A peer that answers a read request with a block out of order, then falls silent: the block
# is dropped and the request's timer goes on to its time-out.
"$STRAY" > stray.log 2>&1 &
STRAY_PID=$!
PIDS="$PIDS $STRAY_PID"
i=0
MODEM_PORT=""
while [ -z "$MODEM_PORT" ] && [ $i -lt 50 ]; do
  sleep 0.1
  MODEM_PORT=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' stray.log)
  i=$((i + 1))
done
sperrow --timeout 1 info
check "block out of order, then silence: status 1" status_is 1
check "block out of order, then silence: the request's time-out" is "$ERR" "Timeout:
ADSL no response!"
kill "$STRAY_PID"

finish
