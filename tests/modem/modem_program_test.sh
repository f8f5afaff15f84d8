#!/bin/sh
# sperrow-modem against tftp-hpa's tftp and curl on loopback: a read refused without the key,
# reads after it, a missing file, writes taken, and a clean exit on SIGTERM and SIGINT. (What
# a locked modem refuses and keeps: ModemKeyTest.) Runs inside a loopback-only namespace.
# Usage: modem_program_test.sh SPERROW_MODEM SOURCE_DIR
MODEM=$1 ROOT=$2
. "$ROOT/tests/lib.sh"; loopback_work
need tftp curl
DATA=$ROOT/data/modem
PW=secret

get() { timeout 30 tftp 127.0.0.1 "$MODEM_PORT" -m binary -c get "$@" 2>&1; }
put() { timeout 30 tftp 127.0.0.1 "$MODEM_PORT" -m binary -c put "$@" 2>&1; }

start_modem --store "$WORK/store"

check "read without the key is refused" contains "$(get info locked.info)" "Access denied: modem is locked"
printf 'secret\r\n' > tftplock.key
check "the right key is taken" test -z "$(put tftplock.key)"

# Unlocked for this address: tftp-hpa and curl read the shipped files byte for byte.
get info got.info >/dev/null
check "tftp reads info" same_file got.info "$DATA/info"
timeout 30 curl -s "tftp://127.0.0.1:$MODEM_PORT/dhcpd.conf" -o curl.dhcpd.conf
check "curl asking for options gets a plain transfer of dhcpd.conf" \
  same_file curl.dhcpd.conf "$DATA/dhcpd.conf"
check "a missing file answers Failed to open file for reading" \
  contains "$(get no-such-file)" "Failed to open file for reading"

head -c 3000 /dev/urandom > upload.bin
check "a write after the key is taken" test -z "$(put upload.bin)"
check "the written file is stored whole" same_file upload.bin store/upload.bin

stop_modem TERM
check "SIGTERM ends the modem with status 0" is "$RC" 0
check "the log has one line per exchange" \
  test "$(grep -c 'write upload.bin: received 3000 bytes' modem.log)" -eq 1

start_modem -q
stop_modem INT
check "SIGINT ends the modem with status 0" is "$RC" 0
check "-q keeps only the banner" test "$(wc -l < modem.log)" -eq 1
finish
