#!/bin/sh
# `upgrade --verify` against the simulated modem: it passes once the modem is back from its
# reboot with the firmware sent, and ends with status 4 when the modem never comes back (what
# a modem that rejected the image says is the unit tests' business).
# Usage: verify_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/lib.sh"; loopback_work

STATUS_LINES="Modem is now updating .....
Modem Reboot
Update Complete"

start_modem --reboot-seconds 1
sperrow upgrade --verify --verify-interval 1 "$ROOT/samples/sample.comp"
check "after a reboot: status 0" status_is 0
check "after a reboot: verified against the image's version" is "$OUT" "$STATUS_LINES
Verified: firmware 10402300 (was FW 3.0.8)"
check "after a reboot: the modem was silent for a while" grep -q "rebooting: silent for 1 s" modem.log
stop_modem

start_modem --reboot-seconds 3600
sperrow --retry 0 --timeout 1 upgrade --verify --verify-interval 1 --verify-timeout 2 \
  "$ROOT/samples/sample.comp"
check "never back: status 4" status_is 4
check "never back: said so" is "$ERR" "The modem did not come back within 2 s."
stop_modem

finish
