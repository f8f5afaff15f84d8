#!/bin/sh
# How `sperrow` fails: each failure of a run against the simulated modem ends the command
# with the status of the contract and the reason on stderr (with the update-mode line when
# the update bracket was open). (A peer that answers out of order, then falls silent: the
# engine's hostile-modem tests and the chaos schedules.)
# Usage: failures_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

start_modem --error "tftpupdt.beg=Flash is busy, try later" --board SIM-BOARD-1
PW=wrong sperrow info
check "wrong password: status 1, the modem's text on stderr" told 1 "Wrong password"
check "wrong password: nothing on stdout" is "$OUT" ""

sperrow upgrade "$ROOT/samples/sample.comp"
check "modem's error: status 1, its text, the update-mode line" told 1 "Flash is busy, try later
The modem may be left in update mode: run the upgrade again."
check "modem error text: no status dialog" is "$OUT" ""
stop_modem

start_modem --silent
sperrow --retry 0 --timeout 1 info
check "silent modem with --retry 0: status 1, the time-out message" told 1 "Timeout:
ADSL no response!"
stop_modem

# A lost acknowledgement of a data block, with no retry left, asks Retry or Cancel; without
# a terminal the answer is Cancel.
start_modem --drop "ack:3*"
sperrow --retry 0 --timeout 1 upgrade "$ROOT/samples/sample.comp" < /dev/null
check "lost block ACK: status 1, the Retry/Cancel text, answered Cancel" told 1 "Timeout:
ADSL no ACK! Retry? 
The modem may be left in update mode: run the upgrade again."
stop_modem

# A modem that never comes back from its reboot fails the verification.
start_modem --reboot-seconds 3600
sperrow --retry 0 --timeout 1 upgrade --verify --verify-interval 1 --verify-timeout 2 \
  "$ROOT/samples/sample.comp"
check "never back after the reboot: status 4, said so" told 4 \
  "The modem did not come back within 2 s."
stop_modem

finish
