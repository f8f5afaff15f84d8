#!/bin/sh
# `upgrade --verify` against the simulated modem: it passes once the modem is back from its
# reboot with the firmware sent, and ends with status 4 when the modem rejected the image or
# never comes back.
# Usage: verify_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/cli/lib.sh"

STATUS_LINES="Modem is now updating .....
Modem Reboot
Update Complete"

start_modem --reboot-seconds 2
sperrow upgrade --verify --verify-interval 1 "$ROOT/samples/sample.comp"
check "after a reboot: status 0" status_is 0
check "after a reboot: verified against the image's version" is "$OUT" "$STATUS_LINES
Verified: firmware 10402300 (was FW 3.0.8)"
check "after a reboot: the modem was silent for a while" grep -q "rebooting: silent for 2 s" modem.log
stop_modem

start_modem --reboot-seconds 3 --reject-image
sperrow upgrade --verify --verify-interval 1 --verify-timeout 60 "$ROOT/samples/sample.pack"
check "image rejected: status 4" status_is 4
check "image rejected: the version it came back with" \
  is "$ERR" "The modem came back with firmware FW 3.0.8; expected FW2.3."
stop_modem

start_modem --reboot-seconds 3600
sperrow --retry 0 --timeout 1 upgrade --verify --verify-interval 1 --verify-timeout 3 \
  "$ROOT/samples/sample.comp"
check "never back: status 4" status_is 4
check "never back: said so" is "$ERR" "The modem did not come back within 3 s."
stop_modem

finish
