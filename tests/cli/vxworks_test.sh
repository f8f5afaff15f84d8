#!/bin/sh
# `upgrade --target vxworks` against the simulated modem in fetch mode: the image's folder
# gets its "LatestVersion", the local server serves that folder, the board request is
# written, and the command ends once the modem has read the image whole. An incompatible
# board ends it at once, with nothing served.
# Usage: vxworks_test.sh SPERROW SPERROW_MODEM SOURCE_DIR
SPERROW=$1 MODEM=$2 ROOT=$3
. "$ROOT/tests/cli/lib.sh"

SERVER_PORT=$(free_port)
mkdir images store
cp "$ROOT/samples/sample.comp" images/

start_modem --fetch-port "$SERVER_PORT" --store "$WORK/store"
sperrow --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks images/sample.comp
check "vxworks upgrade: status 0 once the modem has read the image" status_is 0
check "vxworks upgrade: the modem read the image whole" same_file store/sample.comp images/sample.comp
check "vxworks upgrade: the modem fetched from the local server" grep -qi 'fetch.*sample.comp' modem.log
check "vxworks upgrade: the board request carried the password" is "$(hex store/RequestID)" "70770d0a"
# Four lines with CR LF: "99.0", the bare name, the host's address, the size.
lines=$(tr -d '\r' < images/LatestVersion)
check "LatestVersion: four lines, each ended by CR LF" \
  is "$(tr -cd '\r' < images/LatestVersion | wc -c)" 4
check "LatestVersion: version, name and size" \
  sh -c "printf '%s\n' \"\$1\" | sed -n '1p;2p;4p' | tr '\n' ' ' | grep -qx '99.0 sample.comp 40026 '" _ "$lines"
check "LatestVersion: a dotted IPv4 address" \
  sh -c "printf '%s\n' \"\$1\" | sed -n 3p | grep -Eqx '[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+'" _ "$lines"
stop_modem

rm -rf store/* images/LatestVersion
start_modem --fetch-port "$SERVER_PORT" --store "$WORK/store" --board OTHER-BOARD-7
sperrow --server-port "$SERVER_PORT" --listen 127.0.0.1 upgrade --target vxworks images/sample.comp
check "incompatible board: status 1" status_is 1
check "incompatible board: named on stderr" is "$ERR" "Not compatible board: OTHER-BOARD-7"
check "incompatible board: nothing was served or fetched" \
  sh -c "[ ! -e store/sample.comp ] && [ ! -e store/LatestVersion ] && ! grep -qi 'fetch' modem.log"
stop_modem

finish
